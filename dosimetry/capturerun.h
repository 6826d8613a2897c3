#pragma once

#include "capture/capturestream.h"
#include "record/labbook.h"

#include <QObject>
#include <QStringList>
#include <QTextStream>

// `capture` and `background` from the command line: follows the readings, takes each film,
// keeps it (in a session, against the next dosimeter ID) and only then prints it, until the
// count is reached, the IDs run out or the program is interrupted.
class CaptureRun : public QObject {
    Q_OBJECT

public:
    struct Plan {
        qint64 session = 0; // 0: not kept, only printed
        QStringList ids;    // given, one per dosimeter; or counted on from `firstId`
        QString firstId;
        int count = 0; // captures; 0 for no end but the IDs'
        bool json = false;
    };

    CaptureRun(QDBusConnection connection, CaptureRules rules, QTextStream &out, QTextStream &err,
               QObject *parent = nullptr);

    // False, with the reason said, when following cannot begin.
    bool start(LabBook *book, const Plan &plan);
    void rebind(const QDBusConnection &connection);
    // What was taken, for a background.
    const QList<Capture> &taken() const { return m_taken; }

signals:
    // Every capture asked for was taken; or one could not be kept (false).
    void finished(bool ok);

private:
    void take(const Capture &capture);
    QString dosimeterFor(int index) const;
    int replicates() const;

    CaptureStream m_stream;
    QTextStream &m_out;
    QTextStream &m_err;
    LabBook *m_book = nullptr;
    Plan m_plan;
    std::optional<Session> m_session;
    DoseSource m_doseSource;
    QList<SessionCapture> m_sessionCaptures; // all of the session's, for the dosimeters' doses
    double m_thickness = 0;
    QList<Capture> m_taken;
};
