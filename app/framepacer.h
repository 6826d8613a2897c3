#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

// Paints a window at most once a frame: at line rate the reader's records change the
// indicators 96 times a second, faster than a screen shows or an eye reads, and painting each
// change cost more than publishing it. Changes within a frame are painted together at its end,
// so the window never shows a value later than one frame after it came. The indicators'
// texts, and what is published, change at once.
class FramePacer : public QObject {
    Q_OBJECT

public:
    static constexpr int kFrameMs = 40;

    // Paces `window`, a top-level widget, for as long as it lives.
    explicit FramePacer(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    QElapsedTimer m_painted;
    QTimer m_frameEnd;
};
