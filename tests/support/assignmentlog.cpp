#include "support/assignmentlog.h"

#include "common/indicatormodel.h"
#include "publish/linknames.h"

AssignmentLog::AssignmentLog(IndicatorModel &model)
{
    connect(&model, &IndicatorModel::textAssigned, this,
            [this](IndicatorModel::Item item, const QString &text) {
                entries.append(QString::fromLatin1(LinkNames::itemName(item)) + u'=' + text);
            });
    connect(&model, &IndicatorModel::errorcodeVisibilityAssigned, this, [this](bool visible) {
        entries.append(QStringLiteral("errorcode.visible=%1").arg(visible ? 1 : 0));
    });
    connect(&model, &IndicatorModel::progressAssigned, this,
            [this](int value) { entries.append(QStringLiteral("progress=%1").arg(value)); });
}

QStringList AssignmentLog::texts() const
{
    QStringList result;
    for (const QString &entry : entries) {
        if (!entry.startsWith(QStringLiteral("errorcode.visible")) &&
            !entry.startsWith(QStringLiteral("progress")))
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
