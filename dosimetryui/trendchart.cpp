#include "trendchart.h"

#include "windowtexts.h"

#include "dosimetry/sessiondesk.h"

#include <QAreaSeries>
#include <QLineSeries>
#include <QTimer>
#include <QValueAxis>

#include <algorithm>

// Made with its chart: a view made without one makes a chart of its own that setChart() then
// leaves behind.
TrendChart::TrendChart(const SessionDesk &desk, QWidget *parent)
    : QChartView(new QChart, parent)
    , m_desk(desk)
    , m_readings(new QLineSeries)
    , m_bandLow(new QLineSeries)
    , m_bandHigh(new QLineSeries)
    , m_band(new QAreaSeries(m_bandHigh, m_bandLow))
    , m_x(new QValueAxis)
    , m_y(new QValueAxis)
{
    // The area series does not own its edges.
    m_bandLow->setParent(m_band);
    m_bandHigh->setParent(m_band);
    QChart *c = chart();
    c->legend()->hide();
    c->setLocalizeNumbers(true); // axis labels with the user's decimal separator
    c->setTitle(WindowTexts::text(WindowTexts::Text::Trend));
    m_band->setColor(QColor(46, 160, 67, 70));
    m_band->setBorderColor(QColor(46, 160, 67));
    c->addSeries(m_band);
    c->addSeries(m_readings);
    m_x->setRange(-60, 0);
    m_x->setLabelFormat(QStringLiteral("%d s"));
    m_y->setLabelFormat(QStringLiteral("%.3f"));
    c->addAxis(m_x, Qt::AlignBottom);
    c->addAxis(m_y, Qt::AlignLeft);
    for (QAbstractSeries *s :
         {static_cast<QAbstractSeries *>(m_band), static_cast<QAbstractSeries *>(m_readings)}) {
        s->attachAxis(m_x);
        s->attachAxis(m_y);
    }
    setRenderHint(QPainter::Antialiasing);
    setMinimumHeight(180);
}

void TrendChart::update()
{
    if (m_pending)
        return;
    m_pending = true;
    QTimer::singleShot(kRedrawMs, this, &TrendChart::redraw);
}

void TrendChart::redraw()
{
    m_pending = false;
    const auto &trend = m_desk.trend();
    if (trend.empty())
        return;
    const qint64 now = trend.back().time;
    const size_t stride = std::max<size_t>(1, trend.size() / kMostPoints);
    QList<QPointF> points;
    double low = trend.back().absorbance, high = low;
    for (size_t i = 0; i < trend.size(); i += stride) {
        const auto &p = trend[i];
        points << QPointF(double(p.time - now) / 1e6, p.absorbance);
        low = std::min(low, p.absorbance);
        high = std::max(high, p.absorbance);
    }
    if (stride > 1)
        points << QPointF(0, trend.back().absorbance);
    m_readings->replace(points);
    if (const auto band = m_desk.stableBand()) {
        m_bandLow->replace({QPointF(-60, band->first), QPointF(0, band->first)});
        m_bandHigh->replace({QPointF(-60, band->second), QPointF(0, band->second)});
        low = std::min(low, band->first);
        high = std::max(high, band->second);
    } else {
        m_bandLow->clear();
        m_bandHigh->clear();
    }
    const double margin = std::max(0.005, (high - low) * 0.1);
    // An absorbance is never below zero; the axis goes there only for a reading that is.
    m_y->setRange(std::max(low - margin, std::min(low, 0.0)), high + margin);
}
