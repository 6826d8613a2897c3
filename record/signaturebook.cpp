#include "signaturebook.h"

#include "labbook.h"
#include "labtexts.h"
#include "loginname.h"

namespace {

const QString kSignature = QStringLiteral("signature");

Signature signatureOf(const Entry &e)
{
    return {e.id, e.user, e.time, e.content.value(QStringLiteral("meaning")).toString()};
}

// The signatures in entries of a kind about one subject.
Outcome<QList<Signature>> signatures(const DosimetryRecord &record, const QString &kind,
                                     const QString &subject)
{
    const Outcome<QList<Entry>> found = record.entries(kind, subject);
    if (!found)
        return found.failure();
    QList<Signature> all;
    for (const Entry &e : found.value())
        all << signatureOf(e);
    return all;
}

} // namespace

SignatureBook::SignatureBook(DosimetryRecord &record)
    : m_record(record)
{
}

Outcome<QList<Signature>> SignatureBook::ofSession(qint64 session) const
{
    const QString subject = QString::number(session);
    Outcome<QList<Signature>> performed =
        signatures(m_record, QStringLiteral("session-end"), subject);
    const Outcome<QList<Signature>> others = signatures(m_record, kSignature, subject);
    if (!performed)
        return performed;
    if (!others)
        return others;
    QList<Signature> all = performed.value();
    all << others.value();
    // An end written before ends were signatures still says who ended the session.
    for (Signature &s : all) {
        if (s.meaning.isEmpty())
            s.meaning = QStringLiteral("performed");
    }
    return all;
}

Outcome<QList<Signature>> SignatureBook::ofCalibration(qint64 calibration) const
{
    return signatures(m_record, QStringLiteral("approval"), QString::number(calibration));
}

Outcome<Signature> SignatureBook::review(qint64 sessionId)
{
    const Outcome<Session> s = LabBook(m_record).session(sessionId);
    if (!s)
        return s.failure();
    const auto refused = [](const QString &text) {
        return Failure{Failure::InvalidPropertyValue, text};
    };
    if (!s.value().ended)
        return refused(LabTexts::notEnded(sessionId));
    const QString user = loginName();
    const Outcome<QList<Signature>> signedAlready = ofSession(sessionId);
    if (!signedAlready)
        return signedAlready.failure();
    for (const Signature &g : signedAlready.value()) {
        if (g.meaning == QLatin1String("performed") && g.user == user)
            return refused(LabTexts::reviewOwnSession(sessionId));
        if (g.meaning == QLatin1String("reviewed") && g.user == user)
            return refused(LabTexts::alreadySigned(sessionId, g.meaning));
    }
    if (s.value().operatorName == user)
        return refused(LabTexts::reviewOwnSession(sessionId));
    const Outcome<Entry> written =
        m_record.append(Entry{0,
                              kSignature,
                              QString::number(sessionId),
                              {},
                              {},
                              0,
                              {},
                              {{QStringLiteral("meaning"), QStringLiteral("reviewed")}},
                              {},
                              {}});
    if (!written)
        return written.failure();
    return signatureOf(written.value());
}
