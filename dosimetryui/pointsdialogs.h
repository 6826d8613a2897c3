#pragma once

#include "record/calibrationitems.h"

#include <QDialog>

class CalibrationDesk;
class LabBook;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;

// Calibration points from the calibration laboratory's CSV file (dose, its uncertainty, the
// dosimeter ID and Δk), for a batch, a reader and a wavelength.
class ImportDialog : public QDialog {
    Q_OBJECT

public:
    ImportDialog(LabBook &book, CalibrationDesk &desk, QWidget *parent = nullptr);

private:
    void import();

    CalibrationDesk &m_desk;
    QComboBox *m_batch;
    QComboBox *m_reader;
    QComboBox *m_wavelength;
    QLineEdit *m_file;
    QLabel *m_said;
};

// Calibration points from the films of a session: the dose each was given, typed in Gy or kGy.
class SessionDosesDialog : public QDialog {
    Q_OBJECT

public:
    explicit SessionDosesDialog(CalibrationDesk &desk, QWidget *parent = nullptr);

private:
    void load();
    void keep();

    CalibrationDesk &m_desk;
    QSpinBox *m_session;
    QComboBox *m_unit;
    QTableWidget *m_doses;
    QLabel *m_said;
};
