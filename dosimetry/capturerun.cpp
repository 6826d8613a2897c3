#include "capturerun.h"

#include "capture/dosimeterid.h"
#include "publish/busowner.h"
#include "record/capturejson.h"

#include <QJsonDocument>

CaptureRun::CaptureRun(QDBusConnection connection, CaptureRules rules, QTextStream &out,
                       QTextStream &err, QObject *parent)
    : QObject(parent)
    , m_stream(std::move(connection), rules)
    , m_out(out)
    , m_err(err)
{
    connect(&m_stream, &CaptureStream::captured, this, &CaptureRun::take);
    connect(&m_stream, &CaptureStream::sourceRunningChanged, this, [this](bool running) {
        m_err << (running ? "zav41k-dosimetry: ZAV41K is running; capturing"
                          : "zav41k-dosimetry: ZAV41K has stopped; nothing is captured until it "
                            "runs again")
              << Qt::endl;
    });
    connect(&m_stream, &CaptureStream::sourceOwnedByAnother, this,
            [this](qint64 pid, const QString &program) {
                m_err << "zav41k-dosimetry: "
                      << BusOwner{pid, program}.notTheProgram(QStringLiteral("zav41k")) << Qt::endl;
            });
    connect(&m_stream, &CaptureStream::refused, this, [this](const QString &why) {
        m_err << "zav41k-dosimetry: a reading was refused: " << why << Qt::endl;
    });
}

bool CaptureRun::start(LabBook *book, const Plan &plan)
{
    m_book = book;
    m_plan = plan;
    if (m_plan.session) {
        const Outcome<Session> s = m_book->session(m_plan.session);
        if (!s) {
            m_err << "zav41k-dosimetry: " << s.failure().description << Qt::endl;
            return false;
        }
        m_session = s.value();
        m_thickness = s.value().nominalThickness;
        const Outcome<QList<SessionCapture>> before = m_book->captures(m_plan.session);
        const Outcome<DoseSource> source = m_book->doseSource(s.value());
        if (!before || !source) {
            m_err << "zav41k-dosimetry: "
                  << (before ? source.failure() : before.failure()).description << Qt::endl;
            return false;
        }
        m_sessionCaptures = before.value();
        m_doseSource = source.value();
    }
    if (!m_stream.follow()) {
        m_err << "zav41k-dosimetry: cannot follow the readings: " << m_stream.lastError()
              << Qt::endl;
        return false;
    }
    m_err << (m_stream.isSourceRunning()
                  ? "zav41k-dosimetry: following the readings of ZAV41K"
                  : "zav41k-dosimetry: ZAV41K is not running; waiting for it")
          << Qt::endl;
    return true;
}

void CaptureRun::rebind(const QDBusConnection &connection)
{
    m_stream.rebind(connection);
}

int CaptureRun::replicates() const
{
    return m_session ? m_session->replicates : 1;
}

QString CaptureRun::dosimeterFor(int index) const
{
    const int dosimeter = index / replicates();
    if (!m_plan.ids.isEmpty())
        return m_plan.ids.value(dosimeter);
    QString id = m_plan.firstId;
    for (int i = 0; i < dosimeter; ++i)
        id = DosimeterId::next(id);
    return id;
}

void CaptureRun::take(const Capture &capture)
{
    const int index = int(m_taken.size());
    QJsonObject printed{
        {QStringLiteral("absorbance"), capture.absorbance},
        {QStringLiteral("wavelength"), qint64(capture.wavelength)},
        {QStringLiteral("readings"), capture.readings},
        {QStringLiteral("first_sequence"), qint64(capture.firstSequence)},
        {QStringLiteral("last_sequence"), qint64(capture.lastSequence)},
        {QStringLiteral("time"), CaptureJson::toJson(capture).value(QStringLiteral("time"))},
    };
    QString dosimeter;
    if (m_plan.session) {
        dosimeter = dosimeterFor(index);
        // Kept before it is printed: what was printed is in the record.
        const Outcome<SessionCapture> kept =
            m_book->addCapture(m_plan.session, dosimeter, capture, m_thickness);
        if (!kept) {
            m_err << "zav41k-dosimetry: " << kept.failure().description << Qt::endl;
            emit finished(false);
            return;
        }
        printed.insert(QStringLiteral("dosimeter"), dosimeter);
        m_sessionCaptures << kept.value();
        // The dosimeter's dose so far, from all its captures in the session.
        QList<SessionCapture> mine;
        for (const SessionCapture &c : std::as_const(m_sessionCaptures)) {
            if (c.dosimeter == dosimeter)
                mine << c;
        }
        const DosimeterResult row = LabBook::summarise(*m_session, mine, m_doseSource).first();
        printed.insert(QStringLiteral("delta_k"), row.specific);
        printed.insert(QStringLiteral("dose"), row.dose ? QJsonValue(*row.dose) : QJsonValue());
        printed.insert(QStringLiteral("dose_uncertainty"),
                       row.dose ? QJsonValue(row.doseUncertainty) : QJsonValue());
        if (!row.dose)
            printed.insert(QStringLiteral("no_dose"), row.noDose);
    }
    m_taken << capture;
    if (m_plan.json) {
        m_out << QJsonDocument(printed).toJson(QJsonDocument::Compact) << Qt::endl;
    } else {
        if (!dosimeter.isEmpty())
            m_out << dosimeter << '\t';
        m_out << QString::number(capture.absorbance, 'f', 4) << '\t' << capture.wavelength
              << " nm\t" << capture.readings << " readings\t" << capture.firstSequence << '-'
              << capture.lastSequence << Qt::endl;
    }
    // With IDs the run ends with the last one's last replicate, whatever the count: a capture
    // after it would belong to no dosimeter. In 64 bits: replicates have no upper bound.
    const qint64 taken = m_taken.size();
    if ((m_plan.count && taken >= m_plan.count) ||
        (!m_plan.ids.isEmpty() && taken >= qint64(m_plan.ids.size()) * replicates()))
        emit finished(true);
}
