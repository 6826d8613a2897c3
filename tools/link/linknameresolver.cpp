#include "linknameresolver.h"

#include "publish/linknames.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QXmlStreamReader>

namespace {

const QString kSourceSuffix = QStringLiteral(".Source");

// The child nodes of an introspection document, and the properties of `interface` in it.
struct Introspected {
    QStringList children;
    QStringList properties;
};

Introspected parse(const QString &document, const QString &interface)
{
    Introspected result;
    QXmlStreamReader xml(document);
    int depth = 0;
    bool inInterface = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const QString name = xml.attributes().value(QStringLiteral("name")).toString();
            if (xml.name() == QLatin1String("node") && depth == 2)
                result.children.append(name);
            else if (xml.name() == QLatin1String("interface") && depth == 2)
                inInterface = name == interface;
            else if (xml.name() == QLatin1String("property") && inInterface)
                result.properties.append(name);
        } else if (token == QXmlStreamReader::EndElement) {
            if (xml.name() == QLatin1String("interface"))
                inInterface = false;
            --depth;
        }
    }
    return result;
}

// `typed` as one of `names` spells it: the same spelling first, then the same letters in
// another case.
QString findName(const QStringList &names, const QString &typed)
{
    if (names.contains(typed))
        return typed;
    for (const QString &name : names) {
        if (name.compare(typed, Qt::CaseInsensitive) == 0)
            return name;
    }
    return {};
}

Failure noSuch(const QString &what, const QString &typed, const QString &where,
               const QStringList &names)
{
    return Failure{Failure::InvalidPropertyValue,
                   QStringLiteral("%1 has no %2 \"%3\"; %4")
                       .arg(where, what, typed,
                            names.isEmpty()
                                ? QStringLiteral("it has none")
                                : QStringLiteral("its %1s are: %2").arg(what, names.join(u", ")))};
}

} // namespace

LinkNameResolver::LinkNameResolver(QDBusConnection connection)
    : m_connection(std::move(connection))
{
}

Outcome<QList<LinkAddress>> LinkNameResolver::resolve(const QString &application,
                                                      const QString &topic,
                                                      const QStringList &items) const
{
    // Names that cannot be on the bus at all are refused as such, whatever runs.
    for (const QString &item : items) {
        const Outcome<LinkAddress> address = LinkAddress::fromLinkNames(application, topic, item);
        if (!address)
            return address.failure();
    }
    const QString service = runningService(application);
    if (!service.isEmpty()) {
        const Catalogue offered = askSource(service);
        if (!offered.topics.isEmpty())
            return match(offered, topic, items);
    }
    if (application.compare(QString::fromLatin1(LinkNames::kApplication), Qt::CaseInsensitive) == 0)
        return match(ownCatalogue(), topic, items);
    QList<LinkAddress> addresses;
    for (const QString &item : items)
        addresses.append(LinkAddress::fromLinkNames(application, topic, item).value());
    return addresses;
}

Outcome<QList<LinkAddress>> LinkNameResolver::match(const Catalogue &catalogue,
                                                    const QString &topic, const QStringList &items)
{
    QStringList topics;
    for (const auto &entry : catalogue.topics)
        topics.append(entry.first);
    const QString foundTopic = findName(topics, topic);
    if (foundTopic.isEmpty())
        return noSuch(QStringLiteral("topic"), topic, catalogue.application, topics);
    const QStringList &offered = catalogue.topics.at(topics.indexOf(foundTopic)).second;
    QList<LinkAddress> addresses;
    for (const QString &item : items) {
        const QString foundItem = findName(offered, item);
        if (foundItem.isEmpty())
            return noSuch(
                QStringLiteral("item"), item,
                QStringLiteral("the topic %1 of %2").arg(foundTopic, catalogue.application),
                offered);
        addresses.append(
            LinkAddress::fromLinkNames(catalogue.application, foundTopic, foundItem).value());
    }
    return addresses;
}

LinkNameResolver::Catalogue LinkNameResolver::ownCatalogue()
{
    QStringList items;
    for (const auto item : {IndicatorModel::Item::Absorbance, IndicatorModel::Item::Wavelength,
                            IndicatorModel::Item::Errorcode, IndicatorModel::Item::Label1})
        items.append(QString::fromLatin1(LinkNames::itemName(item)));
    return {QString::fromLatin1(LinkNames::kApplication),
            {{QString::fromLatin1(LinkNames::kTopic), items}}};
}

QString LinkNameResolver::runningService(const QString &application) const
{
    const QDBusReply<QStringList> names = m_connection.interface()->registeredServiceNames();
    if (!names.isValid())
        return {};
    QStringList applications;
    for (const QString &name : names.value()) {
        if (name.endsWith(kSourceSuffix) && !name.startsWith(u':'))
            applications.append(name.chopped(kSourceSuffix.size()));
    }
    const QString found = findName(applications, application);
    return found.isEmpty() ? QString() : found + kSourceSuffix;
}

LinkNameResolver::Catalogue LinkNameResolver::askSource(const QString &service) const
{
    // A topic is a node below the root that carries the source's interface.
    Catalogue catalogue{service.chopped(kSourceSuffix.size()), {}};
    const QStringList children = parse(introspect(service, QStringLiteral("/")), service).children;
    for (const QString &child : children) {
        const Introspected node = parse(introspect(service, u'/' + child), service);
        if (!node.properties.isEmpty())
            catalogue.topics.append({child, node.properties});
    }
    return catalogue;
}

QString LinkNameResolver::introspect(const QString &service, const QString &path) const
{
    const QDBusMessage call = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Introspectable"),
        QStringLiteral("Introspect"));
    const QDBusReply<QString> reply = m_connection.call(call, QDBus::Block, 5000);
    return reply.isValid() ? reply.value() : QString();
}
