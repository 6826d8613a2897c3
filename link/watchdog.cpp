#include "link/watchdog.h"

#include "app/indicatormodel.h"
#include "resources/stringtable.h"

Watchdog::Watchdog(IndicatorModel &indicators, QObject *parent)
    : QObject(parent)
    , m_indicators(indicators)
{
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &Watchdog::Timer1_Timer);
    m_timer.start();
}

void Watchdog::Timer1_Timer()
{
    const Outcome<QString> message = StringTable::text(110);
    if (message)
        m_indicators.setText(IndicatorModel::Item::Errorcode, message.value());
    m_timer.stop();
    m_indicators.setErrorcodeVisible(true);
}
