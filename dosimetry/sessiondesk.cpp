#include "sessiondesk.h"

#include "desktexts.h"
#include "sessionreport.h"
#include "stationsettings.h"

#include "capture/dosimeterid.h"
#include "capture/holdtext.h"
#include "publish/busowner.h"

namespace {

CaptureRules rulesOf(const Session &session)
{
    CaptureRules rules;
    rules.wavelength = session.wavelength;
    rules.threshold = session.threshold;
    return rules;
}

} // namespace

SessionDesk::SessionDesk(LabBook &book, Session session, QDBusConnection connection,
                         QObject *parent)
    : QObject(parent)
    , m_book(book)
    , m_session(std::move(session))
    , m_stream(std::move(connection), rulesOf(m_session))
    , m_thickness(m_session.nominalThickness)
{
    const Outcome<QList<SessionCapture>> before = m_book.captures(m_session.id);
    if (before)
        m_kept = before.value();
    // The calibration is fixed when the session starts: one looked up once serves every row.
    const Outcome<DoseSource> source = m_book.doseSource(m_session);
    m_doseSource = source ? source.value() : DoseSource{{}, 0, QStringLiteral("no-calibration")};
    m_currentId = m_kept.isEmpty() ? QStringLiteral("D-0001") : m_kept.last().dosimeter;
    if (!m_kept.isEmpty() && takenForCurrent() >= m_session.replicates)
        m_currentId = DosimeterId::next(m_currentId);
    connect(&m_stream, &CaptureStream::received, this, &SessionDesk::onReading);
    connect(&m_stream, &CaptureStream::captured, this, &SessionDesk::take);
    connect(&m_stream, &CaptureStream::sourceRunningChanged, this, [this](bool running) {
        emit said(running ? DeskTexts::sourceRunning() : DeskTexts::sourceStopped());
        emit sourceRunningChanged(running);
    });
    // Readings from a program that is not ZAV41K are not the reader's: said, not hidden.
    connect(&m_stream, &CaptureStream::sourceOwnedByAnother, this,
            [this](qint64 pid, const QString &program) {
                emit said(BusOwner{pid, program}.notTheProgram(QStringLiteral("zav41k")));
            });
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        const int waiting = notKept();
        if (keepPending()) {
            m_retry.stop();
            emit said(DeskTexts::keptLater(waiting));
            emit resultsChanged();
        }
    });
}

bool SessionDesk::follow()
{
    return m_stream.follow();
}

void SessionDesk::rebind(const QDBusConnection &connection)
{
    m_stream.rebind(connection);
}

bool SessionDesk::isUsed(const QString &id) const
{
    for (const SessionCapture &c : m_kept) {
        if (c.dosimeter == id)
            return true;
    }
    for (const Pending &p : m_pending) {
        if (p.dosimeter == id)
            return true;
    }
    return false;
}

bool SessionDesk::setCurrentId(const QString &id)
{
    const QString trimmed = id.trimmed();
    if (trimmed.isEmpty())
        return false;
    m_currentId = trimmed;
    emit currentIdChanged(m_currentId);
    return true;
}

bool SessionDesk::setThickness(double micrometres)
{
    if (!(micrometres > 0))
        return false;
    m_thickness = micrometres;
    return true;
}

int SessionDesk::takenForCurrent() const
{
    int taken = 0;
    for (const SessionCapture &c : m_kept)
        taken += c.dosimeter == m_currentId;
    for (const Pending &p : m_pending)
        taken += p.dosimeter == m_currentId;
    return taken;
}

Status SessionDesk::end()
{
    if (!m_pending.empty())
        return Failure{Failure::RecordNotWritten, DeskTexts::notEndedWhileWaiting(notKept())};
    const Status ended = m_book.endSession(m_session.id);
    if (ended) {
        m_session.ended = true;
        emit resultsChanged();
    }
    return ended;
}

Status SessionDesk::report(const QString &path) const
{
    const Outcome<SessionSummary> summary = SessionSummary::of(m_book.record(), m_session.id);
    if (!summary)
        return summary.failure();
    return SessionReport::write(summary.value(), StationSettings::value(StationSettings::kHeading),
                                path);
}

void SessionDesk::captureNow()
{
    if (const std::optional<Capture> c = m_stream.captureNow())
        take(*c);
    else
        emit said(holdText());
}

QString SessionDesk::holdText() const
{
    return ::holdText(m_stream.capture());
}

std::optional<std::pair<double, double>> SessionDesk::stableBand() const
{
    const Reading *last = m_stream.capture().lastReading();
    if (!last || last->status != Reading::Status::Ok)
        return std::nullopt;
    const double half = m_stream.capture().rules().tolerance / 2;
    return std::make_pair(last->absorbance - half, last->absorbance + half);
}

void SessionDesk::onReading(const Reading &reading)
{
    if (reading.status == Reading::Status::Ok)
        m_trend.push_back({reading.time, reading.absorbance});
    while (!m_trend.empty() && m_trend.front().time < reading.time - kTrendMicroseconds)
        m_trend.pop_front();
    emit readingReceived(reading);
}

void SessionDesk::take(const Capture &capture)
{
    const QString dosimeter = m_currentId;
    m_pending.push_back({dosimeter, m_thickness, capture});
    const int replicate = takenForCurrent();
    // The earlier ones first: the record keeps the order they were taken in.
    if (keepPending()) {
        emit said(DeskTexts::kept(dosimeter, capture.absorbance, replicate, m_session.replicates));
    } else if (!m_retry.isActive()) {
        m_retry.start();
    }
    if (replicate >= m_session.replicates) {
        const QString next = DosimeterId::next(dosimeter);
        if (!next.isEmpty())
            setCurrentId(next);
    }
    emit resultsChanged();
}

bool SessionDesk::keepPending()
{
    while (!m_pending.empty()) {
        const Pending &p = m_pending.front();
        const Outcome<SessionCapture> kept =
            m_book.addCapture(m_session.id, p.dosimeter, p.capture, p.thickness);
        if (!kept) {
            emit said(DeskTexts::notKept(kept.failure().description));
            return false;
        }
        m_kept << kept.value();
        m_pending.pop_front();
    }
    return true;
}

QList<DosimeterResult> SessionDesk::results() const
{
    QList<SessionCapture> all = m_kept;
    for (const Pending &p : m_pending)
        all << SessionCapture{0, p.dosimeter, p.thickness, p.capture};
    return LabBook::summarise(m_session, all, m_doseSource);
}
