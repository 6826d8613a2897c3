#pragma once

#include "record/labitems.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class LabBook;

// Starts a session: the batch, the reader and the wavelength from what the lab registered,
// the readings per dosimeter and the purpose. The operator is the login name.
class SessionPicker : public QDialog {
    Q_OBJECT

public:
    explicit SessionPicker(LabBook &book, QWidget *parent = nullptr);

    // The session started, once the dialog was accepted.
    const Session &session() const { return m_session; }

private:
    void start();

    LabBook &m_book;
    QComboBox *m_batch;
    QComboBox *m_reader;
    QComboBox *m_wavelength;
    QSpinBox *m_replicates;
    QLineEdit *m_purpose;
    QLabel *m_said;
    Session m_session;
};
