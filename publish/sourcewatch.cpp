#include "publish/sourcewatch.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

SourceWatch::SourceWatch(QString service, QObject *parent)
    : QObject(parent)
    , m_service(std::move(service))
    , m_connection(QString())
{
}

void SourceWatch::watch(const QDBusConnection &connection)
{
    delete m_watcher;
    m_connection = connection;
    m_watcher = new QDBusServiceWatcher(m_service, m_connection,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                emit runningChanged(!newOwner.isEmpty());
            });
}

bool SourceWatch::isRunning() const
{
    return m_connection.isConnected() && m_connection.interface()->isServiceRegistered(m_service);
}
