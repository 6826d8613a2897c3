#include "common/readingmodel.h"

#include <time.h>

qint64 ReadingModel::systemTime()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

ReadingModel::ReadingModel(Clock clock, QObject *parent)
    : QObject(parent)
    , m_clock(std::move(clock))
{
}

void ReadingModel::beginRecord()
{
    emit recordBegun();
}

void ReadingModel::recordDecoded(Reading reading)
{
    m_lastDecoded = reading;
    make(std::move(reading));
}

void ReadingModel::piecesDropped(const QString &characters)
{
    Reading reading;
    reading.status = Reading::Status::Dropped;
    reading.damaged = true;
    reading.record = characters;
    make(std::move(reading));
}

void ReadingModel::make(Reading reading)
{
    reading.sequence = m_current.sequence + 1;
    reading.time = m_clock();
    m_current = std::move(reading);
    emit readingMade(m_current);
}

void ReadingModel::dataMissing()
{
    Reading reading = m_lastDecoded;
    reading.sequence = m_current.sequence;
    reading.status = Reading::Status::NoData;
    reading.time = m_clock();
    m_current = std::move(reading);
    emit readingMade(m_current);
}
