#pragma once

#include "capture/capturestream.h"
#include "record/labbook.h"

#include <QObject>
#include <QTimer>

#include <deque>

// A session as the operator works it, without its window: the readings followed, each film
// taken against the current dosimeter ID (M captures each, then the next ID), kept in the
// record, and the results table. A capture the record cannot take now stays here, shown as
// not yet kept, and is kept as soon as the record takes it again.
class SessionDesk : public QObject {
    Q_OBJECT

public:
    // A reading of the last minute, for the trend.
    struct Point {
        qint64 time = 0; // microseconds since the epoch
        double absorbance = 0;
    };

    SessionDesk(LabBook &book, Session session, QDBusConnection connection,
                QObject *parent = nullptr);

    bool follow();
    void rebind(const QDBusConnection &connection);
    bool isSourceRunning() const { return m_stream.isSourceRunning(); }

    const Session &session() const { return m_session; }
    QString currentId() const { return m_currentId; }
    // Whether the ID already has captures in this session: the window asks before using it.
    bool isUsed(const QString &id) const;
    // False when the ID ends in no digit to count on from, or is empty.
    bool setCurrentId(const QString &id);
    double thickness() const { return m_thickness; }
    // False for a thickness of zero or less.
    bool setThickness(double micrometres);
    // Captures taken for the current ID so far.
    int takenForCurrent() const;

    // Ends the session, signed "performed" by the login name; refused while captures wait to
    // go into the record.
    Status end();
    // The session's report as PDF, under the lab's heading.
    Status report(const QString &path) const;

    // Takes the settled value now; when there is none, said() tells why.
    void captureNow();
    QString holdText() const;
    const std::deque<Point> &trend() const { return m_trend; }
    // The band the last readings must stay in to count as settled; empty before any reading.
    std::optional<std::pair<double, double>> stableBand() const;

    // One row per dosimeter; captures not yet kept are rows flagged "not-kept".
    QList<DosimeterResult> results() const;
    int notKept() const { return int(m_pending.size()); }

    static constexpr qint64 kTrendMicroseconds = 60'000'000;
    static constexpr int kRetryMs = 5000;
    // How often a capture the record did not take is offered again.
    void setRetryInterval(int milliseconds) { m_retry.setInterval(milliseconds); }

signals:
    void readingReceived(const Reading &reading);
    void resultsChanged();
    // What the operator should know now: why nothing was taken, a capture kept, a failure.
    void said(const QString &text);
    void currentIdChanged(const QString &id);
    void sourceRunningChanged(bool running);

private:
    struct Pending {
        QString dosimeter;
        double thickness = 0;
        Capture capture;
    };

    void take(const Capture &capture);
    bool keepPending();
    void onReading(const Reading &reading);

    LabBook &m_book;
    Session m_session;
    DoseSource m_doseSource;
    CaptureStream m_stream;
    QString m_currentId;
    double m_thickness = 0;
    QList<SessionCapture> m_kept;
    std::deque<Pending> m_pending;
    std::deque<Point> m_trend;
    QTimer m_retry;
};
