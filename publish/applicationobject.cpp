#include "publish/applicationobject.h"

#include "publish/clientquote.h"
#include "publish/objectxml.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace {

const QString kApplication = QStringLiteral("org.freedesktop.Application");

} // namespace

QString ApplicationObject::pathOf(const QString &applicationId)
{
    return QLatin1Char('/') + QString(applicationId).replace(QLatin1Char('.'), QLatin1Char('/'));
}

ApplicationObject::ApplicationObject(QString programName, QObject *parent)
    : QDBusVirtualObject(parent)
    , m_programName(std::move(programName))
{
}

bool ApplicationObject::handleMessage(const QDBusMessage &message,
                                      const QDBusConnection &connection)
{
    const QString interface = message.interface();
    const QString member = message.member();
    const QString signature = message.signature();
    auto reply = [&](const QDBusMessage &answer) {
        connection.send(answer);
        return true;
    };
    if (interface == kIntrospectableInterface && member == QLatin1String("Introspect"))
        return reply(message.createReply(introspectionPreamble() + introspect(message.path()) +
                                         QStringLiteral("</node>\n")));
    if (interface == kPeerInterface && member == QLatin1String("Ping"))
        return reply(message.createReply());
    const bool ours = interface == kApplication || interface.isEmpty();
    if (ours && member == QLatin1String("Activate") && signature == QLatin1String("a{sv}")) {
        emit activationRequested();
        return reply(message.createReply());
    }
    if (ours && member == QLatin1String("Open") && signature == QLatin1String("asa{sv}"))
        return reply(message.createErrorReply(QDBusError::NotSupported,
                                              QStringLiteral("%1 opens no files; its port is "
                                                             "chosen in its window")
                                                  .arg(m_programName)));
    if (ours && member == QLatin1String("ActivateAction") && signature == QLatin1String("sava{sv}"))
        return reply(message.createErrorReply(
            QDBusError::NotSupported,
            QStringLiteral("%1 has no actions; no action %2 here")
                .arg(m_programName, clientQuote(message.arguments().value(0).toString()))));
    return reply(message.createErrorReply(
        QDBusError::UnknownMethod,
        QStringLiteral("%1 offers no method %2.%3 with signature \"%4\"; it can only be asked "
                       "to come to the front (%5.Activate)")
            .arg(message.path(), clientQuote(interface), clientQuote(member),
                 clientQuote(signature), kApplication)));
}

QString ApplicationObject::introspect(const QString &path) const
{
    Q_UNUSED(path)
    return QStringLiteral(
        "  <interface name=\"org.freedesktop.Application\">\n"
        "    <method name=\"Activate\"><arg name=\"platform_data\" type=\"a{sv}\" "
        "direction=\"in\"/></method>\n"
        "    <method name=\"Open\"><arg name=\"uris\" type=\"as\" direction=\"in\"/>"
        "<arg name=\"platform_data\" type=\"a{sv}\" direction=\"in\"/></method>\n"
        "    <method name=\"ActivateAction\"><arg name=\"action_name\" type=\"s\" "
        "direction=\"in\"/><arg name=\"parameter\" type=\"av\" direction=\"in\"/>"
        "<arg name=\"platform_data\" type=\"a{sv}\" direction=\"in\"/></method>\n"
        "  </interface>\n");
}
