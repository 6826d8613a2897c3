#include "sessionwindow.h"

#include "trendchart.h"
#include "windowtexts.h"

#include "capture/dosimeterid.h"
#include "dosimetry/sessiondesk.h"
#include "record/loginname.h"

#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

using WindowTexts::Text;

namespace {

QString fixed(double value, int places)
{
    return QLocale().toString(value, 'f', places);
}

} // namespace

SessionWindow::SessionWindow(SessionDesk &desk, Confirm confirm, ChooseFile chooseFile,
                             QWidget *parent)
    : QMainWindow(parent)
    , m_desk(desk)
    , m_confirm(std::move(confirm))
    , m_chooseFile(std::move(chooseFile))
    , m_reading(new QLabel)
    , m_hold(new QLabel)
    , m_trend(new TrendChart(desk))
    , m_id(new QLineEdit)
    , m_thickness(new QDoubleSpinBox)
    , m_results(new QTableWidget(0, 10))
    , m_end(new QPushButton(WindowTexts::text(Text::EndSession)))
{
    setWindowTitle(WindowTexts::text(Text::Title));
    m_reading->setObjectName(QStringLiteral("reading"));
    m_hold->setObjectName(QStringLiteral("hold"));
    if (!m_confirm) {
        m_confirm = [this](const QString &question) {
            return QMessageBox::question(this, WindowTexts::text(Text::Title), question) ==
                   QMessageBox::Yes;
        };
    }
    if (!m_chooseFile) {
        m_chooseFile = [this] {
            return QFileDialog::getSaveFileName(
                this, WindowTexts::text(Text::Report),
                QStringLiteral("session-%1.pdf").arg(m_desk.session().id),
                QStringLiteral("PDF (*.pdf)"));
        };
    }
    const Session &s = desk.session();
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(new QLabel(WindowTexts::sessionLine(s.id, s.batch, s.reader, s.wavelength,
                                                          s.background.mean, s.operatorName)));
    QFont big = m_reading->font();
    big.setPointSizeF(big.pointSizeF() * 2.5);
    big.setBold(true);
    m_reading->setFont(big);
    m_reading->setText(QStringLiteral("–"));
    auto *now = new QHBoxLayout;
    now->addWidget(m_reading);
    now->addWidget(m_hold, 1);
    m_hold->setWordWrap(true);
    layout->addLayout(now);
    layout->addWidget(m_trend, 2);

    auto *form = new QFormLayout;
    m_thickness->setRange(0.1, 10000);
    m_thickness->setDecimals(1);
    m_thickness->setValue(desk.thickness());
    form->addRow(WindowTexts::text(Text::Dosimeter), m_id);
    form->addRow(WindowTexts::text(Text::Thickness), m_thickness);
    layout->addLayout(form);
    layout->addWidget(new QLabel(WindowTexts::text(Text::CaptureKey)));

    m_results->setHorizontalHeaderLabels(
        {WindowTexts::text(Text::Id), WindowTexts::text(Text::Absorbance),
         WindowTexts::text(Text::Readings), WindowTexts::text(Text::Spread),
         WindowTexts::text(Text::Background), WindowTexts::text(Text::ThicknessColumn),
         WindowTexts::text(Text::Specific), WindowTexts::text(Text::Dose),
         WindowTexts::text(Text::DoseUncertainty), WindowTexts::text(Text::Flags)});
    m_results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_results->verticalHeader()->hide();
    m_results->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_results, 2);
    auto *buttons = new QHBoxLayout;
    auto *reportButton = new QPushButton(WindowTexts::text(Text::Report));
    reportButton->setObjectName(QStringLiteral("report"));
    m_end->setObjectName(QStringLiteral("end"));
    buttons->addStretch();
    buttons->addWidget(reportButton);
    buttons->addWidget(m_end);
    layout->addLayout(buttons);
    setCentralWidget(central);
    connect(m_end, &QPushButton::clicked, this, &SessionWindow::end);
    connect(reportButton, &QPushButton::clicked, this, &SessionWindow::report);

    m_id->setText(desk.currentId());
    connect(m_id, &QLineEdit::returnPressed, this, &SessionWindow::takeId);
    connect(m_thickness, &QDoubleSpinBox::valueChanged, this,
            [this](double value) { m_desk.setThickness(value); });
    connect(&desk, &SessionDesk::currentIdChanged, m_id, &QLineEdit::setText);
    connect(&desk, &SessionDesk::readingReceived, this, &SessionWindow::showReading);
    connect(&desk, &SessionDesk::resultsChanged, this, &SessionWindow::showResults);
    connect(&desk, &SessionDesk::said, this,
            [this](const QString &text) { statusBar()->showMessage(text); });
    connect(&desk, &SessionDesk::sourceRunningChanged, this, [this](bool running) {
        m_hold->setText(running ? m_desk.holdText() : WindowTexts::text(Text::WaitingForSource));
    });
    // A key for the operator's free hand (or a foot switch that types it); typed into the ID
    // field it stays a character.
    auto *space = new QShortcut(Qt::Key_Space, this);
    connect(space, &QShortcut::activated, &desk, &SessionDesk::captureNow);
    if (!desk.isSourceRunning())
        m_hold->setText(WindowTexts::text(Text::WaitingForSource));
    showResults();
    if (s.ended)
        endedShown();
    resize(760, 720);
}

void SessionWindow::end()
{
    const Session &s = m_desk.session();
    if (!m_confirm(WindowTexts::text(Text::EndQuestion).arg(s.id).arg(loginName())))
        return;
    const Status ended = m_desk.end();
    if (!ended) {
        statusBar()->showMessage(ended.failure().description);
        return;
    }
    endedShown();
}

void SessionWindow::endedShown()
{
    // Nothing more is taken into an ended session.
    m_id->setEnabled(false);
    m_thickness->setEnabled(false);
    m_end->setEnabled(false);
}

void SessionWindow::report()
{
    const QString path = m_chooseFile();
    if (path.isEmpty())
        return;
    const Status written = m_desk.report(path);
    statusBar()->showMessage(written ? WindowTexts::text(Text::ReportWritten).arg(path)
                                     : written.failure().description);
}

void SessionWindow::showReading(const Reading &reading)
{
    m_reading->setText(reading.status == Reading::Status::Ok ? fixed(reading.absorbance, 3)
                       : reading.shown.isEmpty()             ? QStringLiteral("–")
                                                             : reading.shown);
    m_hold->setText(m_desk.holdText());
    m_trend->update();
}

void SessionWindow::showResults()
{
    const QList<DosimeterResult> rows = m_desk.results();
    m_results->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        const DosimeterResult &r = rows.at(i);
        QStringList flags;
        for (const QString &code : r.flags)
            flags << WindowTexts::flag(code);
        const QStringList cells{r.dosimeter,
                                fixed(r.absorbance, 4),
                                QString::number(r.readings),
                                fixed(r.spread, 4),
                                fixed(r.background, 4),
                                fixed(r.thickness, 1),
                                fixed(r.specific, 3),
                                r.dose ? fixed(*r.dose / 1000, 2) : WindowTexts::flag(r.noDose),
                                r.dose ? fixed(r.doseUncertainty / 1000, 2) : QStringLiteral("–"),
                                flags.join(QStringLiteral(", "))};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells.at(column));
            if (column > 0 && column < 9)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_results->setItem(i, column, item);
        }
    }
    m_results->resizeColumnsToContents();
    m_results->scrollToBottom();
}

void SessionWindow::takeId()
{
    const QString id = m_id->text().trimmed();
    if (id != m_desk.currentId() && m_desk.isUsed(id) &&
        !m_confirm(WindowTexts::text(Text::IdUsed).arg(id))) {
        m_id->setText(m_desk.currentId());
        return;
    }
    if (!m_desk.setCurrentId(id)) {
        m_id->setText(m_desk.currentId());
        return;
    }
    if (DosimeterId::next(id).isEmpty())
        statusBar()->showMessage(WindowTexts::text(Text::IdNotCounted).arg(id));
    // Ready for the film: Space now takes, it does not type.
    m_results->setFocus();
}
