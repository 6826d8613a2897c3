#pragma once

#include <QChartView>

class QAreaSeries;
class QLineSeries;
class QValueAxis;
class SessionDesk;

// The readings of the last minute, with the band the latest must stay in to count as settled.
// Redrawn a few times a second at most, and from at most a few hundred points, so that the
// reader's full rate costs the window little.
class TrendChart : public QChartView {
    Q_OBJECT

public:
    explicit TrendChart(const SessionDesk &desk, QWidget *parent = nullptr);

    // Asks for a redraw; several asks before it comes make one.
    void update();

    static constexpr int kRedrawMs = 250;
    static constexpr int kMostPoints = 240;

private:
    void redraw();

    const SessionDesk &m_desk;
    QLineSeries *m_readings;
    QLineSeries *m_bandLow;
    QLineSeries *m_bandHigh;
    QAreaSeries *m_band;
    QValueAxis *m_x;
    QValueAxis *m_y;
    bool m_pending = false;
};
