#include "capturestream.h"

CaptureStream::CaptureStream(QDBusConnection connection, CaptureRules rules, QObject *parent)
    : QObject(parent)
    , m_follower(std::move(connection))
    , m_capture(rules)
{
    connect(&m_follower, &ReadingFollower::received, this, &CaptureStream::take);
    connect(&m_follower, &ReadingFollower::sourceRunningChanged, this, [this](bool running) {
        if (!running)
            m_capture.interrupt();
        emit sourceRunningChanged(running);
    });
    connect(&m_follower, &ReadingFollower::sourceOwnedByAnother, this,
            &CaptureStream::sourceOwnedByAnother);
    connect(&m_follower, &ReadingFollower::refused, this, &CaptureStream::refused);
}

bool CaptureStream::follow()
{
    return m_follower.follow();
}

void CaptureStream::rebind(const QDBusConnection &connection)
{
    m_capture.interrupt();
    m_follower.rebind(connection);
}

std::optional<Capture> CaptureStream::captureNow()
{
    return m_capture.captureNow();
}

void CaptureStream::setRules(const CaptureRules &rules)
{
    m_capture = StableCapture(rules);
}

void CaptureStream::take(const Reading &reading)
{
    // Taken first, so that whoever shows the reading shows what it did to the capture.
    const std::optional<Capture> c = m_capture.take(reading);
    emit received(reading);
    if (c)
        emit captured(*c);
}
