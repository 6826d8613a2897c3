#pragma once

#include <QMainWindow>

class CheckBook;
class CheckChart;
class QComboBox;
class QLabel;

// The day's checks of each check standard, on an individuals chart.
class ChecksWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit ChecksWindow(CheckBook &book, QWidget *parent = nullptr);

private:
    void showStandard(const QString &id);

    CheckBook &m_book;
    QComboBox *m_standards;
    CheckChart *m_chart;
    QLabel *m_limits;
};
