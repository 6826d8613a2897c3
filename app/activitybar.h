#pragma once

#include <QHash>
#include <QPixmap>
#include <QWidget>

// The activity bar: a progress bar from 0 to 100 that advances with every record. Unlike
// QProgressBar, which repaints at once on every change, it asks for a repaint that the event
// loop merges with the others, so a stream of records costs one paint per loop pass. The
// style draws each value once; later paints of it copy the picture, since the bar takes only
// twenty values at line rate, and drawing the style's rounded frame each time cost as much as
// publishing the record.
class ActivityBar : public QWidget {
    Q_OBJECT

public:
    explicit ActivityBar(QWidget *parent = nullptr);

    int value() const { return m_value; }
    void setValue(int value);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QPixmap drawn(int value);

    int m_value = 0;
    QHash<int, QPixmap> m_drawn; // by value, at the current size, style and state
};
