#pragma once

#include "record/checkitems.h"
#include "record/controllimits.h"

#include <QChartView>

#include <optional>

class QLineSeries;
class QScatterSeries;
class QValueAxis;

// A check standard's checks in the order made: each reading, the certified value with its
// tolerance, and once there are enough of them the individuals-chart limits.
class CheckChart : public QChartView {
    Q_OBJECT

public:
    explicit CheckChart(QWidget *parent = nullptr);

    void show(const CheckStandard &standard, const QList<DayCheck> &checks);
    // The limits drawn; none with too few checks.
    const std::optional<ControlLimits> &limits() const { return m_limits; }

private:
    QLineSeries *m_readings;
    QScatterSeries *m_failed;
    QLineSeries *m_certified;
    QLineSeries *m_toleranceLow;
    QLineSeries *m_toleranceHigh;
    QLineSeries *m_mean;
    QLineSeries *m_lower;
    QLineSeries *m_upper;
    QValueAxis *m_x;
    QValueAxis *m_y;
    std::optional<ControlLimits> m_limits;
};
