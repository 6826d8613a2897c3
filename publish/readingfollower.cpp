#include "publish/readingfollower.h"

#include "publish/linkaddress.h"
#include "publish/linknames.h"
#include "publish/readinginterface.h"

namespace {

LinkAddress source()
{
    return LinkAddress::ofItem(QString::fromLatin1(LinkNames::kAbsorbance));
}

} // namespace

ReadingFollower::ReadingFollower(QDBusConnection connection, QObject *parent)
    : QObject(parent)
    , m_connection(std::move(connection))
    , m_source(source().service)
{
    connect(&m_source, &SourceWatch::runningChanged, this, &ReadingFollower::sourceRunningChanged);
    connect(&m_source, &SourceWatch::ownedByAnother, this, &ReadingFollower::sourceOwnedByAnother);
}

bool ReadingFollower::follow()
{
    return subscribe();
}

bool ReadingFollower::rebind(QDBusConnection connection)
{
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
    m_source.watch(m_connection);
    return true;
}

bool ReadingFollower::isSourceRunning() const
{
    return m_source.isRunning();
}

void ReadingFollower::onReading(const QDBusMessage &message)
{
    const Outcome<Reading> reading = ReadingInterface::fromSignal(message);
    if (reading)
        emit received(reading.value());
    else
        emit refused(reading.failure().description);
}
