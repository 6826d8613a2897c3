#include "linkclient.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDateTime>

namespace {

const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n'))
        return text;
    return u'"' + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

} // namespace

LinkClient::LinkClient(QDBusConnection connection, QTextStream &out, QTextStream &err)
    : m_connection(std::move(connection))
    , m_out(out)
    , m_err(err)
{
}

bool LinkClient::request(const LinkAddress &address)
{
    if (!m_connection.interface()->isServiceRegistered(address.service)) {
        m_err << "zav41k-link: the source is not running (nothing owns " << address.service
              << " on the session bus)" << Qt::endl;
        return false;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(address.service, address.path, kProperties, QStringLiteral("Get"));
    call << address.interface << address.property;
    const QDBusReply<QDBusVariant> reply = m_connection.call(call, QDBus::Block, 5000);
    if (!reply.isValid()) {
        m_err << "zav41k-link: " << reply.error().message() << Qt::endl;
        return false;
    }
    m_out << reply.value().variant().toString() << Qt::endl;
    return true;
}

bool LinkClient::follow(const QList<LinkAddress> &addresses, Mode mode, Format format)
{
    m_mode = mode;
    m_format = format;
    const LinkAddress &first = addresses.first();
    m_interface = first.interface;
    for (const LinkAddress &address : addresses)
        m_items.append(address.property);

    // Subscribed by the well-known name, so that the link follows whichever process owns it.
    if (!m_connection.connect(first.service, first.path, kProperties,
                              QStringLiteral("PropertiesChanged"), this,
                              SLOT(onPropertiesChanged(QDBusMessage)))) {
        m_err << "zav41k-link: cannot subscribe: " << m_connection.lastError().message() << Qt::endl;
        return false;
    }
    auto *watcher = new QDBusServiceWatcher(first.service, m_connection,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &service, const QString &, const QString &newOwner) {
                m_err << "zav41k-link: " << service
                      << (newOwner.isEmpty() ? " has stopped; waiting for it" : " is running")
                      << Qt::endl;
            });
    if (!m_connection.interface()->isServiceRegistered(first.service))
        m_err << "zav41k-link: waiting for " << first.service << " to start" << Qt::endl;
    if (format == Format::Csv)
        m_out << (mode == Mode::Hot ? "time,item,value" : "time,item") << Qt::endl;
    return true;
}

void LinkClient::onPropertiesChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || arguments.at(0).toString() != m_interface)
        return;
    const QVariantMap changed = qdbus_cast<QVariantMap>(arguments.at(1));
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        if (m_items.contains(it.key()))
            print(it.key(), it.value().toString());
    }
}

void LinkClient::print(const QString &item, const QString &value)
{
    const QString time = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    if (m_format == Format::Csv) {
        m_out << time << u',' << item;
        if (m_mode == Mode::Hot)
            m_out << u',' << csvField(value);
    } else {
        m_out << time << u'\t' << item;
        if (m_mode == Mode::Hot)
            m_out << u'\t' << value;
    }
    m_out << Qt::endl;
}
