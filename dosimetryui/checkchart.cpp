#include "checkchart.h"

#include "windowtexts.h"

#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

using WindowTexts::Text;

// Made with its chart: a view made without one makes a chart that setChart() leaves behind.
CheckChart::CheckChart(QWidget *parent)
    : QChartView(new QChart, parent)
    , m_readings(new QLineSeries)
    , m_failed(new QScatterSeries)
    , m_certified(new QLineSeries)
    , m_toleranceLow(new QLineSeries)
    , m_toleranceHigh(new QLineSeries)
    , m_mean(new QLineSeries)
    , m_lower(new QLineSeries)
    , m_upper(new QLineSeries)
    , m_x(new QValueAxis)
    , m_y(new QValueAxis)
{
    QChart *c = chart();
    c->setLocalizeNumbers(true); // axis labels with the user's decimal separator
    const struct {
        QLineSeries *series;
        Text name;
        QColor color;
        Qt::PenStyle style;
    } lines[] = {
        {m_certified, Text::Certified, QColor(46, 160, 67), Qt::SolidLine},
        {m_toleranceLow, Text::Tolerance, QColor(46, 160, 67), Qt::DotLine},
        {m_toleranceHigh, Text::Tolerance, QColor(46, 160, 67), Qt::DotLine},
        {m_mean, Text::Mean, QColor(90, 90, 90), Qt::SolidLine},
        {m_lower, Text::ControlLimits, QColor(200, 60, 60), Qt::DashLine},
        {m_upper, Text::ControlLimits, QColor(200, 60, 60), Qt::DashLine},
        {m_readings, Text::CheckReading, QColor(31, 119, 180), Qt::SolidLine},
    };
    for (const auto &l : lines) {
        l.series->setName(WindowTexts::text(l.name));
        l.series->setPen(QPen(l.color, 1.5, l.style));
        c->addSeries(l.series);
    }
    m_failed->setName(WindowTexts::text(Text::CheckFailed));
    m_failed->setColor(QColor(200, 60, 60));
    m_failed->setMarkerSize(9);
    c->addSeries(m_failed);
    m_x->setLabelFormat(QStringLiteral("%d"));
    m_x->setTitleText(WindowTexts::text(Text::CheckNumber));
    m_y->setLabelFormat(QStringLiteral("%.3f"));
    c->addAxis(m_x, Qt::AlignBottom);
    c->addAxis(m_y, Qt::AlignLeft);
    for (QAbstractSeries *s : c->series()) {
        s->attachAxis(m_x);
        s->attachAxis(m_y);
    }
    // One legend entry per kind of line.
    const auto markers = c->legend()->markers();
    markers.at(2)->setVisible(false); // the second tolerance line
    markers.at(5)->setVisible(false); // the second control limit
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(480, 300);
}

void CheckChart::show(const CheckStandard &standard, const QList<DayCheck> &checks)
{
    QList<QPointF> readings, failed;
    QList<double> values;
    double low = standard.certified - standard.tolerance;
    double high = standard.certified + standard.tolerance;
    for (int i = 0; i < int(checks.size()); ++i) {
        const double a = checks[i].measured.absorbance;
        readings << QPointF(i + 1, a);
        if (!checks[i].passed)
            failed << QPointF(i + 1, a);
        values << a;
        low = std::min(low, a);
        high = std::max(high, a);
    }
    const double last = std::max<double>(2, checks.size());
    const auto across = [last](double y) { return QList<QPointF>{{1, y}, {last, y}}; };
    m_readings->replace(readings);
    m_failed->replace(failed);
    m_certified->replace(across(standard.certified));
    m_toleranceLow->replace(across(standard.certified - standard.tolerance));
    m_toleranceHigh->replace(across(standard.certified + standard.tolerance));
    m_limits = ControlLimits::of(values);
    if (m_limits) {
        m_mean->replace(across(m_limits->mean));
        m_lower->replace(across(m_limits->lower));
        m_upper->replace(across(m_limits->upper));
        low = std::min(low, m_limits->lower);
        high = std::max(high, m_limits->upper);
    } else {
        m_mean->clear();
        m_lower->clear();
        m_upper->clear();
    }
    chart()->setTitle(WindowTexts::text(Text::ChecksTitle)
                          .arg(standard.id)
                          .arg(standard.wavelength)
                          .arg(QLocale().toString(standard.certified, 'f', 3)));
    m_x->setRange(1, last);
    const double margin = (high - low) * 0.1;
    m_y->setRange(low - margin, high + margin);
}
