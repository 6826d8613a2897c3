#include "calibrationcharts.h"

#include "windowtexts.h"

#include <QChartView>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <cmath>

using WindowTexts::Text;

namespace {

// The range of values with a margin, so that no point sits on the frame.
std::pair<double, double> padded(double low, double high)
{
    const double margin = high > low ? (high - low) * 0.06 : std::max(1.0, std::fabs(high) * 0.1);
    return {low - margin, high + margin};
}

} // namespace

CalibrationCharts::Plot CalibrationCharts::makePlot(const QString &title, const QString &x,
                                                    const QString &y)
{
    // Each view is made with its chart: one made without makes a chart that setChart() leaks.
    Plot p{new QChartView(new QChart), new QScatterSeries, new QLineSeries, new QValueAxis,
           new QValueAxis};
    QChart *c = p.view->chart();
    c->setTitle(title);
    c->legend()->hide();
    c->setLocalizeNumbers(true); // axis labels with the user's decimal separator
    p.points->setMarkerSize(7);
    c->addSeries(p.line);
    c->addSeries(p.points);
    p.x->setTitleText(x);
    p.y->setTitleText(y);
    c->addAxis(p.x, Qt::AlignBottom);
    c->addAxis(p.y, Qt::AlignLeft);
    for (QAbstractSeries *s :
         {static_cast<QAbstractSeries *>(p.line), static_cast<QAbstractSeries *>(p.points)}) {
        s->attachAxis(p.x);
        s->attachAxis(p.y);
    }
    p.view->setRenderHint(QPainter::Antialiasing);
    p.view->setMinimumSize(280, 220);
    return p;
}

CalibrationCharts::CalibrationCharts(QWidget *parent)
    : QWidget(parent)
    , m_curve(makePlot(WindowTexts::text(Text::CurveTitle), WindowTexts::text(Text::ResponseAxis),
                       WindowTexts::text(Text::DoseAxis)))
    , m_residuals(makePlot(WindowTexts::text(Text::ResidualTitle),
                           WindowTexts::text(Text::DoseAxis),
                           WindowTexts::text(Text::ResidualAxis)))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_curve.view);
    layout->addWidget(m_residuals.view);
}

void CalibrationCharts::show(const CalibrationPoints &set, const std::optional<FitResult> &fit)
{
    QList<QPointF> points, residuals;
    double lowX = INFINITY, highX = -INFINITY, lowY = INFINITY, highY = -INFINITY;
    double lowR = -1, highR = 1;
    for (int i = 0; i < int(set.points.size()); ++i) {
        const CalibrationPoint &c = set.points[i];
        points << QPointF(c.response, c.dose / 1000);
        lowX = std::min(lowX, c.response);
        highX = std::max(highX, c.response);
        lowY = std::min(lowY, c.dose / 1000);
        highY = std::max(highY, c.dose / 1000);
        if (fit && i < int(fit->residualPercent.size()) && std::isfinite(fit->residualPercent[i])) {
            residuals << QPointF(c.dose / 1000, fit->residualPercent[i]);
            lowR = std::min(lowR, fit->residualPercent[i]);
            highR = std::max(highR, fit->residualPercent[i]);
        }
    }
    m_curve.points->replace(points);
    m_residuals.points->replace(residuals);
    // The curve over the points' range of Δk, as dose; the forms of response from dose are
    // drawn over the doses and turned round.
    QList<QPointF> curve;
    if (fit) {
        const std::vector<double> p = fit->values();
        for (int step = 0; step <= 100; ++step) {
            if (fit->form.givesDoseFromResponse()) {
                const double x = lowX + (highX - lowX) * step / 100;
                curve << QPointF(x, fit->form.value(x, p) / 1000);
            } else {
                const double dose = (lowY + (highY - lowY) * step / 100) * 1000;
                curve << QPointF(fit->form.value(dose, p), dose / 1000);
            }
        }
    }
    m_curve.line->replace(curve);
    const auto [xLow, xHigh] = padded(lowX, highX);
    const auto [yLow, yHigh] = padded(lowY, highY);
    const auto [rLow, rHigh] = padded(lowR, highR);
    if (!points.isEmpty()) {
        m_curve.x->setRange(xLow, xHigh);
        m_curve.y->setRange(yLow, yHigh);
        m_residuals.x->setRange(yLow, yHigh);
    }
    m_residuals.y->setRange(rLow, rHigh);
    for (QValueAxis *axis : {m_curve.x, m_curve.y, m_residuals.x, m_residuals.y})
        axis->applyNiceNumbers();
    // Zero residual, across the whole plot.
    m_residuals.line->replace({QPointF(m_residuals.x->min(), 0), QPointF(m_residuals.x->max(), 0)});
}
