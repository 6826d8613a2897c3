#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class IndicatorModel;
class ReadingModel;

// Tells the user through the status indicator that no record has been decoded for three
// seconds. It runs from its creation; the decoder stops it while it works and starts it again
// at the end, so it measures the time since the last decoded record. It never reports before
// the three seconds are up: a timer may wake a little early, so the time is checked on the
// monotonic clock and the rest waited for. The silence is a reading of its own: no data.
// A record only notes the time: the timer is left to run and, when it wakes, waits for what
// is left of the interval since the last record. Restarting a timer for every record cost a
// timer's removal and registration with the event loop, 96 times a second.
class Watchdog : public QObject {
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 3000;

    // `intervalMs` other than the reader's three seconds is for tests of this logic alone.
    Watchdog(IndicatorModel &indicators, ReadingModel &readings, int intervalMs = kIntervalMs,
             QObject *parent = nullptr);

    // Starts the interval again from zero.
    void start();
    void stop() { m_running = false; }
    bool isRunning() const { return m_running; }

    void Timer1_Timer();

private:
    void onTimeout();

    IndicatorModel &m_indicators;
    ReadingModel &m_readings;
    const int m_intervalMs;
    QTimer m_timer; // Timer1
    QElapsedTimer m_intervalStart;
    bool m_running = false;
};
