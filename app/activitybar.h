#pragma once

#include <QWidget>

// The activity bar: a progress bar from 0 to 100 that advances with every record. Unlike
// QProgressBar, which repaints at once on every change, it asks for a repaint that the event
// loop merges with the others, so a stream of records costs one paint per loop pass.
class ActivityBar : public QWidget {
    Q_OBJECT

public:
    explicit ActivityBar(QWidget *parent = nullptr);

    int value() const { return m_value; }
    void setValue(int value);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_value = 0;
};
