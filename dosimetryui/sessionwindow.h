#pragma once

#include <QMainWindow>

#include <functional>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class SessionDesk;
class TrendChart;
struct Reading;

// The session window: the current reading and why it is or is not taken, the last minute's
// trend, the dosimeter ID and thickness, and the results table. Space takes the settled value
// at once. What it shows comes from the session desk; it holds no logic of its own.
class SessionWindow : public QMainWindow {
    Q_OBJECT

public:
    // Asks the operator a yes-or-no question; by default in a message box.
    using Confirm = std::function<bool(const QString &question)>;
    // Asks where to write the report; empty when the operator changed their mind.
    using ChooseFile = std::function<QString()>;

    explicit SessionWindow(SessionDesk &desk, Confirm confirm = {}, ChooseFile chooseFile = {},
                           QWidget *parent = nullptr);

private:
    void showReading(const Reading &reading);
    void showResults();
    void takeId();
    void end();
    void endedShown();
    void report();

    SessionDesk &m_desk;
    Confirm m_confirm;
    ChooseFile m_chooseFile;
    QLabel *m_reading;
    QLabel *m_hold;
    TrendChart *m_trend;
    QLineEdit *m_id;
    QDoubleSpinBox *m_thickness;
    QTableWidget *m_results;
    QPushButton *m_end;
};
