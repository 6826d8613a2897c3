#include "pointsdialogs.h"

#include "windowtexts.h"

#include "dosimetry/calibrationdesk.h"
#include "record/calibrationcsv.h"
#include "record/labbook.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

using WindowTexts::Text;

namespace {

QDialogButtonBox *buttons(QDialog *dialog)
{
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Cancel)->setText(WindowTexts::text(Text::Cancel));
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

} // namespace

ImportDialog::ImportDialog(LabBook &book, CalibrationDesk &desk, QWidget *parent)
    : QDialog(parent)
    , m_desk(desk)
    , m_batch(new QComboBox)
    , m_reader(new QComboBox)
    , m_wavelength(new QComboBox)
    , m_file(new QLineEdit)
    , m_said(new QLabel)
{
    setWindowTitle(WindowTexts::text(Text::ImportTitle));
    m_batch->addItems(book.batchNames().isOk() ? book.batchNames().value() : QStringList());
    m_reader->addItems(book.readerNames().isOk() ? book.readerNames().value() : QStringList());
    m_wavelength->addItems({QStringLiteral("510"), QStringLiteral("600")});
    auto *browse = new QPushButton(QStringLiteral("…"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, WindowTexts::text(Text::ImportTitle), {}, QStringLiteral("CSV (*.csv)"));
        if (!path.isEmpty())
            m_file->setText(path);
    });
    auto *file = new QHBoxLayout;
    file->addWidget(m_file);
    file->addWidget(browse);
    auto *form = new QFormLayout(this);
    form->addRow(WindowTexts::text(Text::Batch), m_batch);
    form->addRow(WindowTexts::text(Text::Reader), m_reader);
    form->addRow(WindowTexts::text(Text::Wavelength), m_wavelength);
    form->addRow(WindowTexts::text(Text::File), file);
    m_said->setWordWrap(true);
    form->addRow(m_said);
    QDialogButtonBox *box = buttons(this);
    connect(box, &QDialogButtonBox::accepted, this, &ImportDialog::import);
    form->addRow(box);
}

void ImportDialog::import()
{
    QFile file(m_file->text());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        m_said->setText(file.errorString());
        return;
    }
    const Outcome<QList<CalibrationPoint>> read =
        CalibrationCsv::parse(QString::fromUtf8(file.readAll()), true);
    if (!read) {
        m_said->setText(read.failure().description);
        return;
    }
    const Outcome<CalibrationPoints> kept = m_desk.addPoints(
        {0, m_batch->currentText(), m_reader->currentText(), m_wavelength->currentText().toUInt(),
         QFileInfo(file).fileName(), read.value()});
    if (!kept) {
        m_said->setText(kept.failure().description);
        return;
    }
    accept();
}

SessionDosesDialog::SessionDosesDialog(CalibrationDesk &desk, QWidget *parent)
    : QDialog(parent)
    , m_desk(desk)
    , m_session(new QSpinBox)
    , m_unit(new QComboBox)
    , m_doses(new QTableWidget(0, 4))
    , m_said(new QLabel)
{
    setWindowTitle(WindowTexts::text(Text::SessionDosesTitle));
    m_session->setRange(1, 1 << 30);
    m_unit->addItems({QStringLiteral("kGy"), QStringLiteral("Gy")});
    auto *load = new QPushButton(WindowTexts::text(Text::Load));
    connect(load, &QPushButton::clicked, this, &SessionDosesDialog::load);
    auto *top = new QHBoxLayout;
    auto *label = new QLabel(WindowTexts::text(Text::Session));
    label->setBuddy(m_session);
    top->addWidget(label);
    top->addWidget(m_session);
    top->addWidget(load);
    auto *unit = new QLabel(WindowTexts::text(Text::DoseUnit));
    unit->setBuddy(m_unit);
    top->addWidget(unit);
    top->addWidget(m_unit);
    top->addStretch();
    m_doses->setHorizontalHeaderLabels(
        {WindowTexts::text(Text::Id), WindowTexts::text(Text::Specific),
         WindowTexts::text(Text::GivenDose), WindowTexts::text(Text::GivenUncertainty)});
    m_doses->verticalHeader()->hide();
    m_doses->horizontalHeader()->setStretchLastSection(true);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_doses);
    m_said->setWordWrap(true);
    layout->addWidget(m_said);
    QDialogButtonBox *box = buttons(this);
    connect(box, &QDialogButtonBox::accepted, this, &SessionDosesDialog::keep);
    layout->addWidget(box);
    resize(520, 420);
}

void SessionDosesDialog::load()
{
    const Outcome<QList<DosimeterResult>> results = m_desk.sessionResults(m_session->value());
    if (!results) {
        m_said->setText(results.failure().description);
        return;
    }
    m_doses->setRowCount(int(results.value().size()));
    for (int i = 0; i < int(results.value().size()); ++i) {
        const DosimeterResult &r = results.value().at(i);
        for (int column = 0; column < 2; ++column) {
            auto *item = new QTableWidgetItem(column == 0 ? r.dosimeter
                                                          : QLocale().toString(r.specific, 'f', 3));
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            m_doses->setItem(i, column, item);
        }
        m_doses->setItem(i, 2, new QTableWidgetItem);
        m_doses->setItem(i, 3, new QTableWidgetItem);
    }
    m_said->clear();
}

void SessionDosesDialog::keep()
{
    const double scale = m_unit->currentIndex() == 0 ? 1000 : 1;
    QList<CalibrationPoint> doses;
    for (int i = 0; i < m_doses->rowCount(); ++i) {
        const QString dose = m_doses->item(i, 2)->text().trimmed();
        if (dose.isEmpty())
            continue; // a film that was not a calibration film
        bool ok = false, uOk = true;
        CalibrationPoint p;
        p.dosimeter = m_doses->item(i, 0)->text();
        p.dose = QLocale().toDouble(dose, &ok) * scale;
        const QString u = m_doses->item(i, 3)->text().trimmed();
        if (!u.isEmpty())
            p.doseUncertainty = QLocale().toDouble(u, &uOk) * scale;
        if (!ok || !uOk || p.dose < 0 || p.doseUncertainty < 0) {
            m_said->setText(QStringLiteral("%1: %2").arg(p.dosimeter, dose));
            m_doses->setCurrentCell(i, 2);
            return;
        }
        doses << p;
    }
    const Outcome<CalibrationPoints> kept = m_desk.addSessionPoints(m_session->value(), doses);
    if (!kept) {
        m_said->setText(kept.failure().description);
        return;
    }
    accept();
}
