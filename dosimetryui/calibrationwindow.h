#pragma once

#include <QDate>
#include <QMainWindow>

#include <functional>
#include <optional>

class CalibrationCharts;
class CalibrationDesk;
class LabBook;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTableWidget;

// The calibration window: the points, every form fitted through them side by side, the chosen
// fit drawn with its residuals and its diagnostics, and its approval.
class CalibrationWindow : public QMainWindow {
    Q_OBJECT

public:
    // Asks who approves for the last day the calibration holds; none when they decline. The
    // question names the form, the points and the approver.
    using AskExpiry = std::function<std::optional<QDate>(const QString &question)>;

    CalibrationWindow(CalibrationDesk &desk, LabBook &book, AskExpiry ask = {},
                      QWidget *parent = nullptr);

    // The lab's limit on the coefficient of variation at a dose, per cent.
    double variationLimit() const;

private:
    void showPointSets();
    void showFits();
    void showChosen();
    void showCalibrations();
    void approve();

    CalibrationDesk &m_desk;
    LabBook &m_book;
    AskExpiry m_ask;
    QComboBox *m_pointSets;
    QCheckBox *m_weighted;
    QTableWidget *m_forms;
    QTableWidget *m_parameters;
    QLabel *m_summary;
    CalibrationCharts *m_charts;
    QTableWidget *m_levels;
    QDoubleSpinBox *m_limit;
    QPushButton *m_approve;
    QTableWidget *m_calibrations;
};
