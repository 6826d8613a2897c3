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

void ReadingModel::recordDecoded(Reading reading)
{
    reading.sequence = m_current.sequence + 1;
    reading.time = m_clock();
    m_current = std::move(reading);
    emit readingMade(m_current);
}

void ReadingModel::dataMissing()
{
    m_current.status = Reading::Status::NoData;
    m_current.time = m_clock();
    emit readingMade(m_current);
}
