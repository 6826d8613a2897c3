#include "publish/itemfollower.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

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
    m_path = first.path;
    m_interface = first.interface;
    for (const LinkAddress &address : addresses)
        m_items.append(address.property);
    return subscribe();
}

bool ItemFollower::rebind(QDBusConnection connection)
{
    delete m_watcher;
    m_watcher = nullptr;
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
    auto *watcher = new QDBusServiceWatcher(m_service, m_connection,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                emit sourceRunningChanged(!newOwner.isEmpty());
            });
    m_watcher = watcher;
    return true;
}

bool ItemFollower::isSourceRunning() const
{
    return m_connection.interface()->isServiceRegistered(m_service);
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
