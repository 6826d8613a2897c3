#include "app/framepacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

FramePacer::FramePacer(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    m_frameEnd.setSingleShot(true);
    connect(&m_frameEnd, &QTimer::timeout, this, [this] {
        // The request held back: the repaint manager waits for it before it asks again.
        QEvent request(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(m_window, &request);
    });
    window->installEventFilter(this);
}

bool FramePacer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || event->type() != QEvent::UpdateRequest)
        return false;
    if (m_painted.isValid() && m_painted.elapsed() < kFrameMs) {
        if (!m_frameEnd.isActive())
            m_frameEnd.start(int(kFrameMs - m_painted.elapsed()));
        return true;
    }
    m_painted.restart();
    return false;
}
