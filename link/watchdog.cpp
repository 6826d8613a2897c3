#include "link/watchdog.h"

#include "common/indicatormodel.h"
#include "common/readingmodel.h"
#include "resources/stringtable.h"

#include <chrono>

Watchdog::Watchdog(IndicatorModel &indicators, ReadingModel &readings, int intervalMs,
                   QObject *parent)
    : QObject(parent)
    , m_indicators(indicators)
    , m_readings(readings)
    , m_intervalMs(intervalMs)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Watchdog::onTimeout);
    start();
}

void Watchdog::start()
{
    m_intervalStart.start();
    m_running = true;
    if (!m_timer.isActive())
        m_timer.start(m_intervalMs);
}

void Watchdog::onTimeout()
{
    using namespace std::chrono;
    if (!m_running)
        return;
    const nanoseconds left =
        milliseconds(m_intervalMs) - nanoseconds(m_intervalStart.nsecsElapsed());
    if (left > nanoseconds::zero()) {
        m_timer.start(ceil<milliseconds>(left));
        return;
    }
    Timer1_Timer();
}

void Watchdog::Timer1_Timer()
{
    const Outcome<QString> message = StringTable::text(StringId::CheckConnection);
    if (message)
        m_indicators.setText(IndicatorModel::Item::Errorcode, message.value());
    m_running = false;
    m_timer.stop();
    m_indicators.setErrorcodeVisible(true);
    m_readings.dataMissing();
}
