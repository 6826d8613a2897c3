#include "checkswindow.h"

#include "checkchart.h"
#include "windowtexts.h"

#include "record/checkbook.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStatusBar>
#include <QVBoxLayout>

using WindowTexts::Text;

ChecksWindow::ChecksWindow(CheckBook &book, QWidget *parent)
    : QMainWindow(parent)
    , m_book(book)
    , m_standards(new QComboBox)
    , m_chart(new CheckChart)
    , m_limits(new QLabel)
{
    setWindowTitle(WindowTexts::text(Text::ChecksWindowTitle));
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    auto *top = new QHBoxLayout;
    auto *label = new QLabel(WindowTexts::text(Text::Standard));
    label->setBuddy(m_standards);
    top->addWidget(label);
    top->addWidget(m_standards, 1);
    layout->addLayout(top);
    layout->addWidget(m_chart, 1);
    layout->addWidget(m_limits);
    setCentralWidget(central);
    connect(m_standards, &QComboBox::currentTextChanged, this, &ChecksWindow::showStandard);
    const Outcome<QStringList> ids = m_book.standardIds();
    if (!ids || ids.value().isEmpty())
        statusBar()->showMessage(ids ? WindowTexts::text(Text::NoStandards)
                                     : ids.failure().description);
    else
        m_standards->addItems(ids.value());
    resize(760, 480);
}

void ChecksWindow::showStandard(const QString &id)
{
    const Outcome<CheckStandard> standard = m_book.standard(id);
    const Outcome<QList<DayCheck>> checks = m_book.checks(id);
    if (!standard || !checks) {
        statusBar()->showMessage(standard ? checks.failure().description
                                          : standard.failure().description);
        return;
    }
    m_chart->show(standard.value(), checks.value());
    const auto number = [](double v) { return QLocale().toString(v, 'f', 4); };
    if (const auto &l = m_chart->limits())
        m_limits->setText(WindowTexts::text(Text::LimitsLine)
                              .arg(checks.value().size())
                              .arg(number(l->mean), number(l->averageMovingRange), number(l->lower),
                                   number(l->upper)));
    else
        m_limits->setText(WindowTexts::text(Text::TooFewChecks)
                              .arg(checks.value().size())
                              .arg(ControlLimits::kFewest));
}
