#include "command.h"

#include "sessioncsv.h"

#include "capture/dosimeterid.h"
#include "record/loginname.h"
#include "record/signaturebook.h"

#include <QFile>
#include <QSet>

#include <cmath>

int Command::readerAdd()
{
    if (!takes(3, {"serial", "threshold", "check-hours"}) || !required({"serial"}))
        return 2;
    const std::optional<double> threshold = positive("threshold", 0.020);
    const std::optional<int> hours = whole("check-hours", 24, 1);
    if (!threshold || !hours)
        return 2;
    if (!openRecord())
        return 1;
    const Outcome<ReaderInfo> added =
        m_book->addReader(ReaderInfo{m_words.at(2), value("serial"), *threshold, *hours});
    if (!added)
        return failed(added.failure().description);
    m_out << "reader " << added.value().name << " added" << Qt::endl;
    return 0;
}

int Command::batchAdd()
{
    if (!takes(3, {"thickness", "lot", "thickness-uncertainty"}) || !required({"thickness"}))
        return 2;
    if (!openRecord())
        return 1;
    const auto micrometres = [this](const char *option) {
        bool ok = false;
        const double v = value(option).toDouble(&ok);
        return ok || !m_parser.isSet(QLatin1String(option)) ? v : std::nan("");
    };
    const Outcome<Batch> added =
        m_book->addBatch(Batch{m_words.at(2), value("lot"), micrometres("thickness"),
                               micrometres("thickness-uncertainty")});
    if (!added)
        return failed(added.failure().description);
    m_out << "batch " << added.value().name << " added" << Qt::endl;
    return 0;
}

int Command::background()
{
    if (!takes(1, {"batch", "wavelength", "count", "reader"}) ||
        !required({"batch", "wavelength", "count"}))
        return 2;
    const std::optional<quint32> nm = wavelength();
    const std::optional<int> count = whole("count", 0, 1);
    if (!nm || !count)
        return 2;
    if (!openRecord())
        return 1;
    const Outcome<Batch> batch = m_book->batch(value("batch"));
    if (!batch)
        return failed(batch.failure().description);
    CaptureRules rules;
    rules.wavelength = *nm;
    if (m_parser.isSet(QStringLiteral("reader"))) {
        const Outcome<ReaderInfo> reader = m_book->reader(value("reader"));
        if (!reader)
            return failed(reader.failure().description);
        rules.threshold = reader.value().threshold;
    }
    CaptureRun::Plan plan;
    plan.count = *count;
    QList<Capture> taken;
    if (const int status = followReadings(rules, plan, &taken); status != 0)
        return status;
    const Outcome<Background> kept = m_book->addBackground(value("batch"), *nm, taken);
    if (!kept)
        return failed(kept.failure().description);
    m_out << "background of " << kept.value().batch << " at " << kept.value().wavelength
          << " nm: " << QString::number(kept.value().mean, 'f', 4) << " (standard deviation "
          << QString::number(kept.value().deviation, 'f', 4) << ", " << kept.value().count
          << " films)" << Qt::endl;
    return 0;
}

int Command::sessionStart()
{
    if (!takes(2, {"batch", "reader", "wavelength", "replicates", "purpose"}) ||
        !required({"batch", "reader", "wavelength"}))
        return 2;
    const std::optional<quint32> nm = wavelength();
    const std::optional<int> replicates = whole("replicates", 1, 1);
    if (!nm || !replicates)
        return 2;
    if (!openRecord())
        return 1;
    Session s;
    s.batch = value("batch");
    s.reader = value("reader");
    s.wavelength = *nm;
    s.replicates = *replicates;
    s.purpose = value("purpose");
    const Outcome<Session> started = m_book->startSession(s);
    if (!started)
        return failed(started.failure().description);
    const Session &on = started.value();
    m_out << "session of " << on.operatorName << ": batch " << on.batch << ", reader " << on.reader
          << ", " << on.wavelength << " nm, A0 " << QString::number(on.background.mean, 'f', 4)
          << ", " << on.replicates << (on.replicates == 1 ? " reading" : " readings")
          << " per dosimeter" << Qt::endl
          << on.id << Qt::endl;
    return 0;
}

int Command::onSession(const std::function<int(qint64)> &command)
{
    if (!takes(3, {}))
        return 2;
    const std::optional<qint64> session = id(m_words.at(2), "a session");
    if (!session)
        return 2;
    if (!openRecord())
        return 1;
    return command(*session);
}

int Command::sessionEnd()
{
    return onSession([this](qint64 session) {
        const Status ended = m_book->endSession(session);
        if (!ended)
            return failed(ended.failure().description);
        m_out << "session " << session << " ended, signed \"performed\" by " << loginName()
              << Qt::endl;
        return 0;
    });
}

int Command::sessionReview()
{
    return onSession([this](qint64 session) {
        const Outcome<Signature> signedNow = SignatureBook(*m_record).review(session);
        if (!signedNow)
            return failed(signedNow.failure().description);
        m_out << "session " << session << " signed \"reviewed\" by " << signedNow.value().user
              << " at " << signedNow.value().time << Qt::endl;
        return deliverReviewed(session);
    });
}

int Command::sessionSignatures()
{
    return onSession([this](qint64 session) {
        const Outcome<QList<Signature>> all = SignatureBook(*m_record).ofSession(session);
        if (!all)
            return failed(all.failure().description);
        for (const Signature &g : all.value())
            m_out << g.meaning << '\t' << g.user << '\t' << g.time << Qt::endl;
        return 0;
    });
}

int Command::capture()
{
    if (!takes(1, {"session", "ids", "first-id", "count", "json"}))
        return 2;
    const std::optional<int> count = whole("count", 0, 1);
    if (!count)
        return 2;
    const bool inSession = m_parser.isSet(QStringLiteral("session"));
    if (!inSession &&
        (m_parser.isSet(QStringLiteral("ids")) || m_parser.isSet(QStringLiteral("first-id"))))
        return usage(QStringLiteral("dosimeter IDs need a --session"));
    if (m_parser.isSet(QStringLiteral("ids")) && m_parser.isSet(QStringLiteral("first-id")))
        return usage(QStringLiteral("--ids or --first-id, not both"));
    CaptureRun::Plan plan;
    plan.count = *count;
    plan.json = m_parser.isSet(QStringLiteral("json"));
    CaptureRules rules;
    if (inSession) {
        bool ok = false;
        plan.session = value("session").toLongLong(&ok);
        if (!ok)
            return usage(
                QStringLiteral("a session's id is a number, not \"%1\"").arg(value("session")));
        if (!openRecord())
            return 1;
        const Outcome<Session> s = m_book->session(plan.session);
        if (!s)
            return failed(s.failure().description);
        if (s.value().ended)
            return failed(QStringLiteral("session %1 has ended").arg(plan.session));
        rules.wavelength = s.value().wavelength;
        rules.threshold = s.value().threshold;
        const Outcome<QList<SessionCapture>> before = m_book->captures(plan.session);
        if (!before)
            return failed(before.failure().description);
        QSet<QString> used;
        for (const SessionCapture &c : before.value())
            used << c.dosimeter;
        if (m_parser.isSet(QStringLiteral("ids"))) {
            QFile file(value("ids"));
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
                return failed(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
            for (const QByteArray &line : file.readAll().split('\n')) {
                const QString id = QString::fromUtf8(line).trimmed();
                if (id.isEmpty())
                    continue;
                if (used.contains(id))
                    return failed(QStringLiteral("the dosimeter ID %1 is already used in session "
                                                 "%2")
                                      .arg(id)
                                      .arg(plan.session));
                used << id;
                plan.ids << id;
            }
            if (plan.ids.isEmpty())
                return failed(QStringLiteral("%1 holds no dosimeter ID").arg(file.fileName()));
        } else {
            const Outcome<QString> last = m_book->lastDosimeter(plan.session);
            if (!last)
                return failed(last.failure().description);
            plan.firstId = m_parser.isSet(QStringLiteral("first-id")) ? value("first-id")
                           : last.value().isEmpty()                   ? QStringLiteral("D-0001")
                                                    : DosimeterId::next(last.value());
            if (DosimeterId::next(plan.firstId).isEmpty())
                return usage(QStringLiteral("a dosimeter ID to count on from ends in digits "
                                            "(not \"%1\")")
                                 .arg(plan.firstId));
            if (used.contains(plan.firstId))
                return failed(QStringLiteral("the dosimeter ID %1 is already used in session %2")
                                  .arg(plan.firstId)
                                  .arg(plan.session));
        }
    }
    return followReadings(rules, plan);
}

int Command::verify()
{
    if (!takes(1, {}))
        return 2;
    // A check of a path where there is no record must say so, not make one and find it whole.
    if (!openRecord(DosimetryRecord::Opening::ExistingOnly))
        return 1;
    const Outcome<RecordCheck> check = m_record->verify();
    if (!check)
        return failed(check.failure().description);
    (check.value().whole ? m_out : m_err) << check.value().text << Qt::endl;
    return check.value().whole ? 0 : 1;
}

int Command::exportCsv()
{
    if (!takes(1, {"session", "csv"}) || !required({"session", "csv"}))
        return 2;
    bool ok = false;
    const qint64 id = value("session").toLongLong(&ok);
    if (!ok)
        return usage(
            QStringLiteral("a session's id is a number, not \"%1\"").arg(value("session")));
    if (!openRecord())
        return 1;
    const Outcome<Session> s = m_book->session(id);
    if (!s)
        return failed(s.failure().description);
    const Outcome<QList<DosimeterResult>> results = m_book->results(id);
    const Outcome<QList<SessionCapture>> captures = m_book->captures(id);
    if (!results)
        return failed(results.failure().description);
    if (!captures)
        return failed(captures.failure().description);
    const Status written = SessionCsv::write(
        value("csv"), SessionCsv::text(s.value(), results.value(), captures.value()));
    if (!written)
        return failed(written.failure().description);
    m_out << results.value().size() << " dosimeters written to " << value("csv") << Qt::endl;
    return 0;
}

int Command::correct()
{
    if (!takes(1, {"session", "dosimeter", "to", "reason"}) ||
        !required({"session", "dosimeter", "reason"}))
        return 2;
    bool ok = false;
    const qint64 id = value("session").toLongLong(&ok);
    if (!ok)
        return usage(
            QStringLiteral("a session's id is a number, not \"%1\"").arg(value("session")));
    if (!openRecord())
        return 1;
    const Outcome<int> corrected =
        m_book->correct(id, value("dosimeter"), value("to"), value("reason"));
    if (!corrected)
        return failed(corrected.failure().description);
    m_out << corrected.value() << (corrected.value() == 1 ? " capture of " : " captures of ")
          << value("dosimeter")
          << (m_parser.isSet(QStringLiteral("to"))
                  ? QStringLiteral(" now belong to %1").arg(value("to"))
                  : QStringLiteral(" withdrawn"))
          << Qt::endl;
    return 0;
}
