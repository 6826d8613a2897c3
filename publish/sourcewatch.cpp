#include "publish/sourcewatch.h"

#include "publish/busowner.h"

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
                checkOwner(newOwner);
            });
    if (m_connection.isConnected())
        checkOwner(m_connection.interface()->serviceOwner(m_service).value());
}

void SourceWatch::checkOwner(const QString &owner)
{
    if (owner.isEmpty())
        return;
    // Asked of the unique name, which cannot change hands in between.
    const BusOwner process = BusOwner::of(m_connection, owner);
    if (process.pid != 0 && !process.isTheProgram())
        emit ownedByAnother(process.pid, process.program);
}

bool SourceWatch::isRunning() const
{
    return m_connection.isConnected() && m_connection.interface()->isServiceRegistered(m_service);
}
