#include "publish/linksource.h"

#include "common/indicatormodel.h"
#include "common/readingmodel.h"
#include "publish/busowner.h"
#include "publish/clientquote.h"
#include "publish/linkaddress.h"
#include "publish/linknames.h"
#include "publish/objectxml.h"
#include "publish/readinginterface.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>

namespace {

const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kReadings = QString::fromLatin1(ReadingInterface::kName);

using Item = IndicatorModel::Item;

constexpr Item kItems[] = {Item::Absorbance, Item::Wavelength, Item::Errorcode, Item::Label1};

} // namespace

LinkSource::LinkSource(const IndicatorModel &indicators, const ReadingModel &readings,
                       QObject *parent)
    : QDBusVirtualObject(parent)
    , m_indicators(indicators)
    , m_readings(readings)
    , m_connection(QString())
{
    const LinkAddress address = LinkAddress::ofItem(QString::fromLatin1(LinkNames::kAbsorbance));
    m_path = address.path;
    m_interface = address.interface;
    connect(&indicators, &IndicatorModel::textAssigned, this,
            [this](Item item, const QString &text) {
                sendChange(QString::fromLatin1(LinkNames::itemName(item)), text);
            });
    connect(&readings, &ReadingModel::recordBegun, this, [this] { m_holding = true; });
    connect(&readings, &ReadingModel::readingMade, this, &LinkSource::sendReading);
}

LinkSource::~LinkSource()
{
    sendHeld();
    if (m_connection.isConnected())
        m_connection.unregisterObject(m_path);
}

bool LinkSource::publish(QDBusConnection connection)
{
    if (!connection.isConnected() || !connection.registerVirtualObject(m_path, this))
        return false;
    m_connection = connection;
    connect(connection.interface(), &QDBusConnectionInterface::serviceRegistered, this,
            &LinkSource::onNameAcquired, Qt::UniqueConnection);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        connection.interface()->registerService(m_interface, QDBusConnectionInterface::QueueService,
                                                QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid())
        return false;
    m_waitingForName = reply.value() == QDBusConnectionInterface::ServiceQueued;
    if (m_waitingForName) {
        const BusOwner holder = BusOwner::of(connection, m_interface);
        emit nameHeldByAnother(holder.pid, holder.program);
    }
    return true;
}

void LinkSource::onNameAcquired(const QString &name)
{
    if (name != m_interface || !m_waitingForName)
        return;
    m_waitingForName = false;
    emit nameTaken();
}

// A record's item updates wait for its reading, so that its four messages leave one after
// another: each send wakes the bus thread, and sends spread over the decoding woke it for
// nearly each one, where sends together are written in one or two wake-ups.
void LinkSource::sendChange(const QString &item, const QString &text)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(m_path, kProperties, QStringLiteral("PropertiesChanged"));
    signal << m_interface << QVariantMap{{item, text}} << QStringList();
    if (m_holding)
        m_held.append(signal);
    else
        m_connection.send(signal);
}

void LinkSource::sendReading(const Reading &reading)
{
    sendHeld();
    m_holding = false;
    m_connection.send(ReadingInterface::signal(m_path, reading));
}

// No isConnected() before a send: it takes the bus connection's lock, which the bus thread
// holds while it writes, so asking four times a record made the main thread wait on it. A send
// on a connection that is not (or no longer) there fails quietly.
void LinkSource::sendHeld()
{
    for (const QDBusMessage &message : std::as_const(m_held))
        m_connection.send(message);
    m_held.clear();
}

QString LinkSource::valueOf(const QString &item, bool *known) const
{
    for (const Item candidate : kItems) {
        if (item == QLatin1String(LinkNames::itemName(candidate))) {
            *known = true;
            return m_indicators.text(candidate);
        }
    }
    *known = false;
    return {};
}

bool LinkSource::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    auto refuse = [&](QDBusError::ErrorType type, const QString &text) {
        connection.send(message.createErrorReply(type, text));
        return true;
    };
    const QString member = message.member();
    const QList<QVariant> arguments = message.arguments();
    if (message.interface() == kIntrospectableInterface && member == QLatin1String("Introspect")) {
        connection.send(message.createReply(introspectionDocument()));
        return true;
    }
    if (message.interface() == kPeerInterface && member == QLatin1String("Ping")) {
        connection.send(message.createReply());
        return true;
    }
    if (message.interface() != kProperties && !message.interface().isEmpty())
        return refuse(QDBusError::UnknownMethod,
                      QStringLiteral("%1 offers no method %2.%3; its items can only be read")
                          .arg(m_path, clientQuote(message.interface()), clientQuote(member)));

    auto interfaceMatches = [&](const QVariant &name) {
        return name.toString().isEmpty() || name.toString() == m_interface;
    };
    if (member == QLatin1String("Get") && message.signature() == QLatin1String("ss") &&
        arguments.at(0).toString() == kReadings) {
        const QVariant value =
            ReadingInterface::property(m_readings.current(), arguments.at(1).toString());
        if (!value.isValid())
            return refuse(QDBusError::UnknownProperty,
                          QStringLiteral("No property %1 in %2")
                              .arg(clientQuote(arguments.at(1).toString()), kReadings));
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
        return true;
    }
    if (member == QLatin1String("GetAll") && message.signature() == QLatin1String("s") &&
        arguments.at(0).toString() == kReadings) {
        connection.send(message.createReply(ReadingInterface::properties(m_readings.current())));
        return true;
    }
    if (member == QLatin1String("Get") && message.signature() == QLatin1String("ss")) {
        if (!interfaceMatches(arguments.at(0)))
            return refuse(QDBusError::UnknownInterface,
                          QStringLiteral("No interface %1 here")
                              .arg(clientQuote(arguments.at(0).toString())));
        bool known = false;
        const QString value = valueOf(arguments.at(1).toString(), &known);
        if (!known)
            return refuse(
                QDBusError::UnknownProperty,
                QStringLiteral("No item %1 here").arg(clientQuote(arguments.at(1).toString())));
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
        return true;
    }
    if (member == QLatin1String("GetAll") && message.signature() == QLatin1String("s")) {
        if (!interfaceMatches(arguments.at(0)))
            return refuse(QDBusError::UnknownInterface,
                          QStringLiteral("No interface %1 here")
                              .arg(clientQuote(arguments.at(0).toString())));
        QVariantMap values;
        for (const Item item : kItems)
            values.insert(QString::fromLatin1(LinkNames::itemName(item)), m_indicators.text(item));
        connection.send(message.createReply(values));
        return true;
    }
    if (member == QLatin1String("Set"))
        return refuse(QDBusError::PropertyReadOnly,
                      QStringLiteral("The items of %1 and the readings of %2 are read-only")
                          .arg(m_interface, kReadings));
    return refuse(QDBusError::UnknownMethod,
                  QStringLiteral("No method %1 with signature \"%2\"")
                      .arg(clientQuote(member), clientQuote(message.signature())));
}

QString LinkSource::introspectionDocument() const
{
    return introspectionPreamble() +
           QStringLiteral(
               "  <interface name=\"org.freedesktop.DBus.Properties\">\n"
               "    <method name=\"Get\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
               "<arg name=\"name\" type=\"s\" direction=\"in\"/><arg name=\"value\" type=\"v\" "
               "direction=\"out\"/></method>\n"
               "    <method name=\"GetAll\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
               "<arg name=\"values\" type=\"a{sv}\" direction=\"out\"/></method>\n"
               "    <signal name=\"PropertiesChanged\"><arg name=\"interface\" type=\"s\"/>"
               "<arg name=\"changed\" type=\"a{sv}\"/><arg name=\"invalidated\" "
               "type=\"as\"/></signal>\n"
               "  </interface>\n") +
           introspect(m_path) + QStringLiteral("</node>\n");
}

QString LinkSource::introspect(const QString &path) const
{
    Q_UNUSED(path)
    QString xml = QStringLiteral("  <interface name=\"%1\">\n").arg(m_interface);
    for (const Item item : kItems)
        xml += QStringLiteral("    <property name=\"%1\" type=\"s\" access=\"read\"/>\n")
                   .arg(QLatin1String(LinkNames::itemName(item)));
    xml += QStringLiteral("  </interface>\n");
    return xml + ReadingInterface::introspection();
}
