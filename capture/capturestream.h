#pragma once

#include "stablecapture.h"

#include "publish/readingfollower.h"

#include <QObject>

// The running ZAV41K's readings, followed on the session bus and taken film by film. While
// the program does not run nothing is taken, and a film that was settling when it stopped is
// not taken either.
class CaptureStream : public QObject {
    Q_OBJECT

public:
    CaptureStream(QDBusConnection connection, CaptureRules rules, QObject *parent = nullptr);

    // False, with lastError(), when the bus refuses.
    bool follow();
    void rebind(const QDBusConnection &connection);
    bool isSourceRunning() const { return m_follower.isSourceRunning(); }
    QString lastError() const { return m_follower.lastError(); }

    // Takes the settled value now, as a key press asks; when there is none, hold() says why.
    std::optional<Capture> captureNow();
    StableCapture::Hold hold() const { return m_capture.hold(); }
    const StableCapture &capture() const { return m_capture; }
    void setRules(const CaptureRules &rules);

signals:
    void received(const Reading &reading);
    void captured(const Capture &capture);
    void sourceRunningChanged(bool running);
    void sourceOwnedByAnother(qint64 pid, const QString &program);
    void refused(const QString &why);

private:
    void take(const Reading &reading);

    ReadingFollower m_follower;
    StableCapture m_capture;
};
