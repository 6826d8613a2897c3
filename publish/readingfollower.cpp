#include "publish/readingfollower.h"

#include "publish/linkaddress.h"
#include "publish/linknames.h"
#include "publish/readinginterface.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

namespace {

LinkAddress source()
{
    return LinkAddress::ofItem(QString::fromLatin1(LinkNames::kAbsorbance));
}

} // namespace

ReadingFollower::ReadingFollower(QDBusConnection connection, QObject *parent)
    : QObject(parent)
    , m_connection(std::move(connection))
{
}

bool ReadingFollower::follow()
{
    return subscribe();
}

bool ReadingFollower::rebind(QDBusConnection connection)
{
    delete m_watcher;
    m_watcher = nullptr;
    m_connection = std::move(connection);
    if (!subscribe())
        return false;
    emit sourceRunningChanged(isSourceRunning());
    return true;
}

bool ReadingFollower::subscribe()
{
    const LinkAddress address = source();
    if (!m_connection.connect(
            address.service, address.path, QString::fromLatin1(ReadingInterface::kName),
            QString::fromLatin1(ReadingInterface::kSignal), this, SLOT(onReading(QDBusMessage)))) {
        m_lastError = m_connection.lastError().message();
        return false;
    }
    auto *watcher = new QDBusServiceWatcher(address.service, m_connection,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                emit sourceRunningChanged(!newOwner.isEmpty());
            });
    m_watcher = watcher;
    return true;
}

bool ReadingFollower::isSourceRunning() const
{
    return m_connection.interface()->isServiceRegistered(source().service);
}

void ReadingFollower::onReading(const QDBusMessage &message)
{
    const Outcome<Reading> reading = ReadingInterface::fromSignal(message);
    if (reading)
        emit received(reading.value());
    else
        emit refused(reading.failure().description);
}
