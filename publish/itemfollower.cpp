#include "publish/itemfollower.h"

#include <QDBusArgument>

ItemFollower::ItemFollower(QDBusConnection connection, QObject *parent)
    : QObject(parent)
    , m_connection(std::move(connection))
{
}

bool ItemFollower::follow(const QList<LinkAddress> &addresses)
{
    Q_ASSERT(!addresses.isEmpty());
    const LinkAddress &first = addresses.first();
    m_service = first.service;
    m_source = new SourceWatch(m_service, this);
    connect(m_source, &SourceWatch::runningChanged, this, &ItemFollower::sourceRunningChanged);
    connect(m_source, &SourceWatch::ownedByAnother, this, &ItemFollower::sourceOwnedByAnother);
    m_path = first.path;
    m_interface = first.interface;
    for (const LinkAddress &address : addresses)
        m_items.append(address.property);
    return subscribe();
}

bool ItemFollower::rebind(QDBusConnection connection)
{
    m_connection = std::move(connection);
    if (!subscribe())
        return false;
    emit sourceRunningChanged(isSourceRunning());
    return true;
}

bool ItemFollower::subscribe()
{
    if (!m_connection.connect(m_service, m_path, QStringLiteral("org.freedesktop.DBus.Properties"),
                              QStringLiteral("PropertiesChanged"), this,
                              SLOT(onPropertiesChanged(QDBusMessage)))) {
        m_lastError = m_connection.lastError().message();
        return false;
    }
    m_source->watch(m_connection);
    return true;
}

bool ItemFollower::isSourceRunning() const
{
    return m_source && m_source->isRunning();
}

void ItemFollower::onPropertiesChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || arguments.at(0).toString() != m_interface)
        return;
    const QVariantMap changed = qdbus_cast<QVariantMap>(arguments.at(1));
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        if (m_items.contains(it.key()))
            emit updated(it.key(), it.value().toString());
    }
}
