#include "publish/linkaddress.h"

#include "publish/linknames.h"

#include <QRegularExpression>

namespace {

// One element of a bus name or object path: letters, digits and underscores, not starting with
// a digit.
bool isNameElement(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return pattern.match(text).hasMatch();
}

} // namespace

Outcome<LinkAddress> LinkAddress::fromLinkNames(const QString &application, const QString &topic,
                                                const QString &item)
{
    for (const QString &name : {application, topic, item}) {
        if (!isNameElement(name))
            return Failure{Failure::InvalidPropertyValue,
                           QStringLiteral("\"%1\" cannot be a link name: use letters, digits and "
                                          "underscores, not starting with a digit")
                               .arg(name)};
    }
    const QString service = application + QStringLiteral(".Source");
    return LinkAddress{service, u'/' + topic, service, item};
}

LinkAddress LinkAddress::ofItem(const QString &item)
{
    return fromLinkNames(QString::fromLatin1(LinkNames::kApplication),
                         QString::fromLatin1(LinkNames::kTopic), item)
        .value();
}
