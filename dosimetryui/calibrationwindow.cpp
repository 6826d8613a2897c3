#include "calibrationwindow.h"

#include "calibrationcharts.h"
#include "pointsdialogs.h"
#include "windowtexts.h"

#include "dosimetry/calibrationdesk.h"
#include "record/labbook.h"
#include "record/loginname.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

using WindowTexts::Text;

namespace {

const QString kLimitKey = QStringLiteral("calibration/variationLimitPercent");

QString significant(double value, int digits = 4)
{
    return std::isfinite(value) ? QLocale().toString(value, 'g', digits) : QStringLiteral("–");
}

QTableWidget *table(const QList<Text> &headers)
{
    auto *t = new QTableWidget(0, int(headers.size()));
    QStringList labels;
    for (Text h : headers)
        labels << WindowTexts::text(h);
    t->setHorizontalHeaderLabels(labels);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->hide();
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void setRow(QTableWidget *t, int row, const QStringList &cells, const QColor &background = {})
{
    for (int column = 0; column < cells.size(); ++column) {
        auto *item = new QTableWidgetItem(cells[column]);
        if (column > 0)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (background.isValid())
            item->setBackground(background);
        t->setItem(row, column, item);
    }
}

std::optional<QDate> askExpiry(QWidget *parent, const QString &question)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(WindowTexts::text(Text::CalibrationTitle));
    auto *layout = new QFormLayout(&dialog);
    auto *said = new QLabel(question);
    said->setWordWrap(true);
    layout->addRow(said);
    auto *date = new QDateEdit(QDate::currentDate().addYears(1));
    date->setCalendarPopup(true);
    date->setMinimumDate(QDate::currentDate());
    layout->addRow(WindowTexts::text(Text::Expires), date);
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Cancel)->setText(WindowTexts::text(Text::Cancel));
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(box);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return date->date();
}

} // namespace

CalibrationWindow::CalibrationWindow(CalibrationDesk &desk, LabBook &book, AskExpiry ask,
                                     QWidget *parent)
    : QMainWindow(parent)
    , m_desk(desk)
    , m_book(book)
    , m_ask(std::move(ask))
    , m_pointSets(new QComboBox)
    , m_weighted(new QCheckBox(WindowTexts::text(Text::Weighted)))
    , m_forms(table(
          {Text::Form, Text::Rms, Text::ResidualSd, Text::DegreesOfFreedom, Text::LackOfFitP}))
    , m_parameters(table({Text::Parameter, Text::Value, Text::StandardError}))
    , m_summary(new QLabel)
    , m_charts(new CalibrationCharts)
    , m_levels(table({Text::DoseAxis, Text::Count, Text::Variation}))
    , m_limit(new QDoubleSpinBox)
    , m_approve(new QPushButton(WindowTexts::text(Text::Approve)))
    , m_calibrations(table({Text::Id, Text::Form, Text::CalibrationSubject, Text::State}))
{
    setWindowTitle(WindowTexts::text(Text::CalibrationTitle));
    m_approve->setObjectName(QStringLiteral("approve"));
    if (!m_ask)
        m_ask = [this](const QString &question) { return askExpiry(this, question); };
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);

    auto *top = new QHBoxLayout;
    auto *label = new QLabel(WindowTexts::text(Text::PointSet));
    label->setBuddy(m_pointSets);
    top->addWidget(label);
    top->addWidget(m_pointSets, 1);
    auto *import = new QPushButton(WindowTexts::text(Text::ImportFile));
    auto *fromSession = new QPushButton(WindowTexts::text(Text::FromSession));
    top->addWidget(import);
    top->addWidget(fromSession);
    layout->addLayout(top);
    layout->addWidget(m_weighted);

    auto *fits = new QHBoxLayout;
    fits->addWidget(m_forms, 3);
    auto *chosen = new QVBoxLayout;
    chosen->addWidget(m_parameters);
    m_summary->setWordWrap(true);
    chosen->addWidget(m_summary);
    fits->addLayout(chosen, 2);
    layout->addLayout(fits, 2);
    layout->addWidget(m_charts, 3);

    auto *bottom = new QHBoxLayout;
    auto *levels = new QVBoxLayout;
    auto *limit = new QFormLayout;
    m_limit->setRange(0.1, 50);
    m_limit->setDecimals(1);
    m_limit->setValue(QSettings().value(kLimitKey, 2.5).toDouble());
    limit->addRow(WindowTexts::text(Text::VariationLimit), m_limit);
    levels->addLayout(limit);
    levels->addWidget(m_levels);
    bottom->addLayout(levels, 2);
    auto *calibrations = new QVBoxLayout;
    calibrations->addWidget(new QLabel(WindowTexts::text(Text::Calibrations)));
    calibrations->addWidget(m_calibrations);
    calibrations->addWidget(m_approve, 0, Qt::AlignRight);
    bottom->addLayout(calibrations, 3);
    layout->addLayout(bottom, 2);
    setCentralWidget(central);

    connect(m_pointSets, &QComboBox::activated, this, [this](int index) {
        const Status loaded = m_desk.choose(m_pointSets->itemData(index).toLongLong());
        if (!loaded)
            statusBar()->showMessage(loaded.failure().description);
    });
    connect(m_weighted, &QCheckBox::toggled, &m_desk, &CalibrationDesk::setWeighted);
    connect(m_forms, &QTableWidget::currentCellChanged, this, &CalibrationWindow::showChosen);
    connect(m_limit, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        QSettings().setValue(kLimitKey, value);
        showChosen();
    });
    connect(m_approve, &QPushButton::clicked, this, &CalibrationWindow::approve);
    connect(import, &QPushButton::clicked, this, [this] {
        ImportDialog(m_book, m_desk, this).exec();
        showPointSets();
    });
    connect(fromSession, &QPushButton::clicked, this, [this] {
        SessionDosesDialog(m_desk, this).exec();
        showPointSets();
    });
    connect(&m_desk, &CalibrationDesk::changed, this, &CalibrationWindow::showFits);
    showPointSets();
    showCalibrations();
    resize(1000, 820);
}

double CalibrationWindow::variationLimit() const
{
    return m_limit->value();
}

void CalibrationWindow::showPointSets()
{
    const Outcome<QList<CalibrationPoints>> sets = m_desk.pointSets();
    m_pointSets->clear();
    if (!sets || sets.value().isEmpty()) {
        statusBar()->showMessage(sets ? WindowTexts::text(Text::NoPoints)
                                      : sets.failure().description);
        return;
    }
    for (const CalibrationPoints &p : sets.value())
        m_pointSets->addItem(WindowTexts::pointsLine(p.id, p.batch, p.reader, p.wavelength,
                                                     int(p.points.size()), p.source),
                             p.id);
    // The points fitted are those shown: the chosen ones, or the newest.
    const qint64 shown = m_desk.points() ? m_desk.points()->id : sets.value().last().id;
    m_pointSets->setCurrentIndex(m_pointSets->findData(shown));
    if (!m_desk.points() || m_desk.points()->id != shown)
        (void)m_desk.choose(shown);
}

void CalibrationWindow::showFits()
{
    const QList<CalibrationDesk::Fitted> &fits = m_desk.fits();
    const int closest = m_desk.closest();
    m_weighted->setChecked(m_desk.weighted());
    m_forms->setRowCount(int(fits.size()));
    for (int i = 0; i < int(fits.size()); ++i) {
        const CalibrationDesk::Fitted &f = fits[i];
        QStringList cells{f.form.name()};
        if (f.fit)
            cells << significant(f.rmsResidual, 3) << significant(f.fit->residualStandardDeviation)
                  << QString::number(f.fit->degreesOfFreedom)
                  << (f.fit->lackOfFit ? significant(f.fit->lackOfFit->p, 2) : QStringLiteral("–"));
        else
            cells << f.failure;
        setRow(m_forms, i, cells, i == closest ? QColor(220, 240, 220) : QColor());
        if (!f.fit)
            m_forms->setSpan(i, 1, 1, 4);
        else if (m_forms->columnSpan(i, 1) > 1)
            m_forms->setSpan(i, 1, 1, 1);
    }
    m_forms->resizeColumnsToContents();
    if (closest >= 0)
        m_forms->setCurrentCell(closest, 0);
    showChosen();
    showCalibrations();
}

void CalibrationWindow::showChosen()
{
    const int row = m_forms->currentRow();
    const QList<CalibrationDesk::Fitted> &fits = m_desk.fits();
    const bool chosen = row >= 0 && row < int(fits.size()) && fits[row].fit;
    m_approve->setEnabled(chosen);
    m_parameters->setRowCount(0);
    m_levels->setRowCount(0);
    m_summary->clear();
    if (m_desk.points())
        m_charts->show(*m_desk.points(), chosen ? fits[row].fit : std::nullopt);
    if (!chosen)
        return;
    const FitResult &fit = *fits[row].fit;
    m_parameters->setRowCount(int(fit.parameters.size()));
    for (int i = 0; i < int(fit.parameters.size()); ++i) {
        const FitParameter &p = fit.parameters[i];
        setRow(m_parameters, i, {p.name, significant(p.value, 8), significant(p.standardError, 3)});
    }
    QString summary =
        QStringLiteral("%1 %2, %3 %4, n = %5")
            .arg(WindowTexts::text(Text::ResidualSd), significant(fit.residualStandardDeviation),
                 WindowTexts::text(Text::DegreesOfFreedom))
            .arg(fit.degreesOfFreedom)
            .arg(fit.observations);
    if (fit.lackOfFit)
        summary += QStringLiteral("; F(%1, %2) = %3, p = %4")
                       .arg(fit.lackOfFit->degreesOfFreedom)
                       .arg(fit.lackOfFit->pureErrorDegreesOfFreedom)
                       .arg(significant(fit.lackOfFit->f, 3), significant(fit.lackOfFit->p, 2));
    m_summary->setText(summary);
    // Each repeated dose's scatter against the lab's limit: those over it stand out.
    m_levels->setRowCount(int(fit.levels.size()));
    for (int i = 0; i < int(fit.levels.size()); ++i) {
        const DoseLevel &l = fit.levels[i];
        setRow(
            m_levels, i,
            {significant(l.dose / 1000, 4), QString::number(l.count), significant(l.variation, 3)},
            l.variation > variationLimit() ? QColor(248, 215, 218) : QColor());
    }
    m_parameters->resizeColumnsToContents();
    m_levels->resizeColumnsToContents();
}

void CalibrationWindow::showCalibrations()
{
    const Outcome<QList<Calibration>> all = m_desk.calibrations();
    if (!all)
        return;
    m_calibrations->setRowCount(int(all.value().size()));
    for (int i = 0; i < int(all.value().size()); ++i) {
        const Calibration &c = all.value()[i];
        const QString state =
            !c.isApproved() ? WindowTexts::text(Text::AwaitingApproval)
            : c.expires < QDate::currentDate()
                ? WindowTexts::text(Text::Expired)
                      .arg(QLocale().toString(c.expires, QLocale::ShortFormat))
                : WindowTexts::text(Text::ApprovedBy)
                      .arg(c.approvedBy, QLocale().toString(c.expires, QLocale::ShortFormat));
        setRow(m_calibrations, i,
               {QString::number(c.id), c.fit.form.name(),
                QStringLiteral("%1, %2, %3 nm").arg(c.batch, c.reader).arg(c.wavelength), state});
    }
    m_calibrations->resizeColumnsToContents();
}

void CalibrationWindow::approve()
{
    const int row = m_forms->currentRow();
    if (row < 0 || row >= int(m_desk.fits().size()) || !m_desk.points() || !m_desk.fits()[row].fit)
        return;
    const CalibrationForm form = m_desk.fits()[row].form;
    const std::optional<QDate> expires = m_ask(WindowTexts::text(Text::ApproveQuestion)
                                                   .arg(form.name())
                                                   .arg(m_desk.points()->id)
                                                   .arg(loginName()));
    if (!expires)
        return;
    const Outcome<Calibration> approved = m_desk.approve(form, *expires);
    statusBar()->showMessage(
        approved ? WindowTexts::text(Text::ApprovedBy)
                       .arg(approved.value().approvedBy,
                            QLocale().toString(approved.value().expires, QLocale::ShortFormat))
                 : approved.failure().description);
    showCalibrations();
}
