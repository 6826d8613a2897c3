#include "checkbook.h"

#include "capturejson.h"
#include "labtexts.h"
#include "refusal.h"

#include <cmath>

namespace {

const QString kStandard = QStringLiteral("check-standard");
const QString kCheck = QStringLiteral("check");

CheckStandard standardFrom(const QJsonObject &o)
{
    return {
        o.value(QStringLiteral("id")).toString(),
        quint32(o.value(QStringLiteral("wavelength")).toInteger()),
        o.value(QStringLiteral("certified")).toDouble(),
        o.value(QStringLiteral("tolerance")).toDouble(),
        QDate::fromString(o.value(QStringLiteral("certificate_expires")).toString(), Qt::ISODate)};
}

QJsonObject standardJson(const CheckStandard &s)
{
    return {{QStringLiteral("id"), s.id},
            {QStringLiteral("wavelength"), qint64(s.wavelength)},
            {QStringLiteral("certified"), s.certified},
            {QStringLiteral("tolerance"), s.tolerance},
            {QStringLiteral("certificate_expires"), s.certificateExpires.toString(Qt::ISODate)}};
}

DayCheck checkFrom(const Entry &e)
{
    const QJsonObject &o = e.content;
    const CheckStandard s = standardFrom(o);
    DayCheck c;
    c.entry = e.id;
    c.time = e.time;
    c.user = e.user;
    c.standard = s.id;
    c.reader = o.value(QStringLiteral("reader")).toString();
    c.wavelength = s.wavelength;
    c.certified = s.certified;
    c.tolerance = s.tolerance;
    c.certificateExpires = s.certificateExpires;
    c.measured = CaptureJson::fromJson(o.value(QStringLiteral("measured")).toObject());
    c.passed = o.value(QStringLiteral("passed")).toBool();
    return c;
}

} // namespace

CheckBook::CheckBook(DosimetryRecord &record)
    : m_record(record)
{
}

Outcome<CheckStandard> CheckBook::addStandard(const CheckStandard &s)
{
    if (s.id.trimmed().isEmpty())
        return refused(LabTexts::emptyName());
    if (!(s.certified > 0) || !std::isfinite(s.certified) || !(s.tolerance > 0) ||
        !std::isfinite(s.tolerance) || !s.certificateExpires.isValid())
        return refused(LabTexts::badStandard());
    const Outcome<QList<Entry>> existing = m_record.entries(kStandard, s.id);
    if (!existing)
        return existing.failure();
    if (!existing.value().isEmpty())
        return refused(LabTexts::standardExists(s.id));
    const Outcome<Entry> written =
        m_record.append(Entry{0, kStandard, s.id, {}, {}, 0, {}, standardJson(s), {}, {}});
    if (!written)
        return written.failure();
    return s;
}

Outcome<CheckStandard> CheckBook::standard(const QString &id) const
{
    const Outcome<QList<Entry>> found = m_record.entries(kStandard, id);
    if (!found)
        return found.failure();
    if (found.value().isEmpty())
        return refused(LabTexts::noStandard(id));
    return standardFrom(found.value().first().content);
}

Outcome<QStringList> CheckBook::standardIds() const
{
    const Outcome<QList<Entry>> found = m_record.entries(kStandard);
    if (!found)
        return found.failure();
    QStringList ids;
    for (const Entry &e : found.value())
        ids << e.subject;
    return ids;
}

Outcome<DayCheck> CheckBook::addCheck(const QString &id, const QString &reader,
                                      const Capture &measured)
{
    const Outcome<CheckStandard> s = standard(id);
    if (!s)
        return s.failure();
    if (s.value().certificateExpires < QDate::currentDate())
        return refused(LabTexts::certificateExpired(id, s.value().certificateExpires));
    QJsonObject content = standardJson(s.value());
    content.insert(QStringLiteral("reader"), reader);
    content.insert(QStringLiteral("measured"), CaptureJson::toJson(measured));
    // A hair of rounding at the edge of the tolerance does not fail a filter.
    const bool passed =
        std::fabs(measured.absorbance - s.value().certified) <= s.value().tolerance + 1e-9;
    content.insert(QStringLiteral("passed"), passed);
    const Outcome<Entry> written =
        m_record.append(Entry{0, kCheck, id, {}, {}, 0, {}, content, {}, {}});
    if (!written)
        return written.failure();
    return checkFrom(written.value());
}

Outcome<QList<DayCheck>> CheckBook::checks(const QString &standard) const
{
    const Outcome<QList<Entry>> found = m_record.entries(kCheck, standard);
    if (!found)
        return found.failure();
    QList<DayCheck> all;
    for (const Entry &e : found.value())
        all << checkFrom(e);
    return all;
}

Outcome<std::optional<DayCheck>> CheckBook::dayCheck(const QString &reader, quint32 wavelength,
                                                     const QDateTime &started,
                                                     int periodHours) const
{
    const Outcome<QList<DayCheck>> all = checks();
    if (!all)
        return all.failure();
    // The reader's last check at the wavelength before the session began is the one that counts.
    for (auto c = all.value().crbegin(); c != all.value().crend(); ++c) {
        if (c->reader != reader || c->wavelength != wavelength)
            continue;
        const QDateTime at = QDateTime::fromString(c->time, Qt::ISODate);
        if (at > started)
            continue;
        if (at.secsTo(started) > qint64(periodHours) * 3600)
            break;
        return std::optional<DayCheck>(*c);
    }
    return std::optional<DayCheck>();
}

Outcome<QString> CheckBook::blocker(const QString &reader, quint32 wavelength,
                                    const QDateTime &started, int periodHours) const
{
    const Outcome<std::optional<DayCheck>> found =
        dayCheck(reader, wavelength, started, periodHours);
    if (!found)
        return found.failure();
    const std::optional<DayCheck> &c = found.value();
    if (!c)
        return QStringLiteral("no-check");
    if (!c->passed)
        return QStringLiteral("check-failed");
    if (c->certificateExpires < started.toLocalTime().date())
        return QStringLiteral("certificate-expired");
    return QString();
}
