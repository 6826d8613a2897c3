#include "sessionpicker.h"

#include "windowtexts.h"

#include "record/labbook.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

using WindowTexts::Text;

SessionPicker::SessionPicker(LabBook &book, QWidget *parent)
    : QDialog(parent)
    , m_book(book)
    , m_batch(new QComboBox)
    , m_reader(new QComboBox)
    , m_wavelength(new QComboBox)
    , m_replicates(new QSpinBox)
    , m_purpose(new QLineEdit)
    , m_said(new QLabel)
{
    setWindowTitle(WindowTexts::text(Text::SessionTitle));
    m_batch->addItems(book.batchNames().isOk() ? book.batchNames().value() : QStringList());
    m_reader->addItems(book.readerNames().isOk() ? book.readerNames().value() : QStringList());
    m_wavelength->addItems({QStringLiteral("510 nm"), QStringLiteral("600 nm")});
    m_replicates->setRange(1, 10);
    auto *form = new QFormLayout(this);
    form->addRow(WindowTexts::text(Text::Batch), m_batch);
    form->addRow(WindowTexts::text(Text::Reader), m_reader);
    form->addRow(WindowTexts::text(Text::Wavelength), m_wavelength);
    form->addRow(WindowTexts::text(Text::Replicates), m_replicates);
    form->addRow(WindowTexts::text(Text::Purpose), m_purpose);
    m_said->setWordWrap(true);
    form->addRow(m_said);
    auto *buttons = new QDialogButtonBox;
    QPushButton *start =
        buttons->addButton(WindowTexts::text(Text::Start), QDialogButtonBox::AcceptRole);
    buttons->addButton(WindowTexts::text(Text::Cancel), QDialogButtonBox::RejectRole);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &SessionPicker::start);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (m_batch->count() == 0 || m_reader->count() == 0) {
        m_said->setText(WindowTexts::text(Text::NoReaders));
        start->setEnabled(false);
    }
}

void SessionPicker::start()
{
    Session s;
    s.batch = m_batch->currentText();
    s.reader = m_reader->currentText();
    s.wavelength = m_wavelength->currentIndex() == 0 ? 510 : 600;
    s.replicates = m_replicates->value();
    s.purpose = m_purpose->text();
    const Outcome<Session> started = m_book.startSession(s);
    if (!started) {
        m_said->setText(started.failure().description);
        return;
    }
    m_session = started.value();
    accept();
}
