#include "support/assignmentlog.h"

#include "common/indicatormodel.h"
#include "publish/linknames.h"

using namespace Qt::StringLiterals;

AssignmentLog::AssignmentLog(IndicatorModel &model)
{
    connect(&model, &IndicatorModel::textAssigned, this,
            [this](IndicatorModel::Item item, const QString &text) {
                entries.append(QString::fromLatin1(LinkNames::itemName(item)) + u'=' + text);
            });
    connect(&model, &IndicatorModel::errorcodeVisibilityAssigned, this, [this](bool visible) {
        entries.append(u"errorcode.visible=%1"_s.arg(visible ? 1 : 0));
    });
    connect(&model, &IndicatorModel::progressAssigned, this,
            [this](int value) { entries.append(u"progress=%1"_s.arg(value)); });
}

QStringList AssignmentLog::texts() const
{
    QStringList result;
    for (const QString &entry : entries) {
        if (!entry.startsWith(u"errorcode.visible"_s) && !entry.startsWith(u"progress"_s))
            result.append(entry);
    }
    return result;
}

QStringList AssignmentLog::values(IndicatorModel::Item item) const
{
    const QString prefix = QString::fromLatin1(LinkNames::itemName(item)) + u'=';
    QStringList result;
    for (const QString &entry : entries) {
        if (entry.startsWith(prefix))
            result.append(entry.mid(prefix.size()));
    }
    return result;
}
