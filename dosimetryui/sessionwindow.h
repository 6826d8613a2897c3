#pragma once

#include <QMainWindow>

#include <functional>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;
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

    explicit SessionWindow(SessionDesk &desk, Confirm confirm = {}, QWidget *parent = nullptr);

private:
    void showReading(const Reading &reading);
    void showResults();
    void takeId();

    SessionDesk &m_desk;
    Confirm m_confirm;
    QLabel *m_reading;
    QLabel *m_hold;
    TrendChart *m_trend;
    QLineEdit *m_id;
    QDoubleSpinBox *m_thickness;
    QTableWidget *m_results;
};
