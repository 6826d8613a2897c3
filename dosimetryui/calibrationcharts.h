#pragma once

#include "fit/fitresult.h"
#include "record/calibrationitems.h"

#include <QWidget>

class QChart;
class QChartView;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

// A fit drawn: the points and the curve, dose against Δk, and each point's dose residual.
class CalibrationCharts : public QWidget {
    Q_OBJECT

public:
    explicit CalibrationCharts(QWidget *parent = nullptr);

    // Draws the points, and the curve and residuals of the fit when there is one.
    void show(const CalibrationPoints &points, const std::optional<FitResult> &fit);

private:
    struct Plot {
        QChartView *view;
        QScatterSeries *points;
        QLineSeries *line;
        QValueAxis *x;
        QValueAxis *y;
    };
    static Plot makePlot(const QString &title, const QString &x, const QString &y);

    Plot m_curve;
    Plot m_residuals;
};
