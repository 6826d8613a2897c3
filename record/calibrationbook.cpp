#include "calibrationbook.h"

#include "checkbook.h"
#include "labbook.h"
#include "labtexts.h"
#include "refusal.h"

#include "fit/curvefit.h"
#include "fit/fitjson.h"

#include <QDateTime>
#include <QJsonArray>

#include <cmath>

namespace {

const QString kPoints = QStringLiteral("calibration-points");
const QString kCalibration = QStringLiteral("calibration");
const QString kApproval = QStringLiteral("approval");

QJsonObject pointsJson(const CalibrationPoints &p)
{
    QJsonArray points;
    for (const CalibrationPoint &c : p.points)
        points.append(QJsonObject{{QStringLiteral("dosimeter"), c.dosimeter},
                                  {QStringLiteral("dose_gy"), c.dose},
                                  {QStringLiteral("dose_uncertainty_gy"), c.doseUncertainty},
                                  {QStringLiteral("delta_k_per_mm"), c.response}});
    return {{QStringLiteral("batch"), p.batch},
            {QStringLiteral("reader"), p.reader},
            {QStringLiteral("wavelength"), qint64(p.wavelength)},
            {QStringLiteral("source"), p.source},
            {QStringLiteral("points"), points}};
}

CalibrationPoints pointsFrom(const Entry &e)
{
    const QJsonObject &o = e.content;
    CalibrationPoints p{e.id,
                        o.value(QStringLiteral("batch")).toString(),
                        o.value(QStringLiteral("reader")).toString(),
                        quint32(o.value(QStringLiteral("wavelength")).toInteger()),
                        o.value(QStringLiteral("source")).toString(),
                        {}};
    for (const QJsonValue v : o.value(QStringLiteral("points")).toArray()) {
        const QJsonObject c = v.toObject();
        p.points << CalibrationPoint{c.value(QStringLiteral("dosimeter")).toString(),
                                     c.value(QStringLiteral("dose_gy")).toDouble(),
                                     c.value(QStringLiteral("dose_uncertainty_gy")).toDouble(),
                                     c.value(QStringLiteral("delta_k_per_mm")).toDouble()};
    }
    return p;
}

QJsonArray pair(double low, double high)
{
    return {low, high};
}

} // namespace

CalibrationBook::CalibrationBook(DosimetryRecord &record)
    : m_record(record)
{
}

Outcome<CalibrationPoints> CalibrationBook::addPoints(CalibrationPoints p)
{
    LabBook lab(m_record);
    if (const Outcome<Batch> b = lab.batch(p.batch); !b)
        return b.failure();
    if (const Outcome<ReaderInfo> r = lab.reader(p.reader); !r)
        return r.failure();
    for (const CalibrationPoint &c : p.points) {
        if (!std::isfinite(c.dose) || !std::isfinite(c.response) ||
            !std::isfinite(c.doseUncertainty) || c.dose < 0 || c.doseUncertainty < 0)
            return refused(LabTexts::noDoseGiven(int(&c - p.points.data()) + 1));
    }
    const Outcome<Entry> written =
        m_record.append(Entry{0, kPoints, p.batch, {}, {}, 0, {}, pointsJson(p), {}, {}});
    if (!written)
        return written.failure();
    p.id = written.value().id;
    return p;
}

Outcome<CalibrationPoints> CalibrationBook::addSessionPoints(qint64 sessionId,
                                                             const QList<CalibrationPoint> &doses)
{
    LabBook lab(m_record);
    const Outcome<Session> s = lab.session(sessionId);
    if (!s)
        return s.failure();
    const Outcome<QList<DosimeterResult>> results = lab.results(sessionId);
    if (!results)
        return results.failure();
    CalibrationPoints p{0,
                        s.value().batch,
                        s.value().reader,
                        s.value().wavelength,
                        QStringLiteral("session %1").arg(sessionId),
                        {}};
    for (CalibrationPoint c : doses) {
        const auto row =
            std::find_if(results.value().cbegin(), results.value().cend(),
                         [&c](const DosimeterResult &r) { return r.dosimeter == c.dosimeter; });
        if (row == results.value().cend())
            return refused(LabTexts::noResultFor(c.dosimeter, sessionId));
        c.response = row->specific;
        p.points << c;
    }
    return addPoints(p);
}

Outcome<CalibrationPoints> CalibrationBook::points(qint64 id) const
{
    const Outcome<Entry> e = m_record.entry(id);
    if (!e || e.value().kind != kPoints)
        return refused(LabTexts::noPoints(id));
    return pointsFrom(e.value());
}

Outcome<QList<CalibrationPoints>> CalibrationBook::allPoints() const
{
    const Outcome<QList<Entry>> found = m_record.entries(kPoints);
    if (!found)
        return found.failure();
    QList<CalibrationPoints> all;
    for (const Entry &e : found.value())
        all << pointsFrom(e);
    return all;
}

QList<FitPoint> CalibrationBook::fitPoints(const CalibrationForm &form,
                                           const CalibrationPoints &points, bool weighted)
{
    double lowDose = INFINITY, highDose = -INFINITY, lowResponse = INFINITY,
           highResponse = -INFINITY;
    for (const CalibrationPoint &c : points.points) {
        lowDose = std::min(lowDose, c.dose);
        highDose = std::max(highDose, c.dose);
        lowResponse = std::min(lowResponse, c.response);
        highResponse = std::max(highResponse, c.response);
    }
    QList<FitPoint> fitted;
    for (const CalibrationPoint &c : points.points) {
        const double u = weighted ? c.doseUncertainty : 0;
        if (form.givesDoseFromResponse()) {
            fitted << FitPoint{c.response, c.dose, u};
        } else {
            // The response is fitted: the dose's uncertainty carried to it by the mean slope.
            fitted << FitPoint{c.dose, c.response,
                               u * (highResponse - lowResponse) / (highDose - lowDose)};
        }
    }
    return fitted;
}

Outcome<Calibration> CalibrationBook::fit(qint64 pointsId, const CalibrationForm &form,
                                          bool weighted)
{
    const Outcome<CalibrationPoints> p = points(pointsId);
    if (!p)
        return p.failure();
    if (weighted) {
        for (const CalibrationPoint &c : p.value().points) {
            if (!(c.doseUncertainty > 0))
                return refused(LabTexts::unweightedPoint(c.dosimeter));
        }
    }
    const Outcome<FitResult> fitted = CurveFit::fit(form, fitPoints(form, p.value(), weighted));
    if (!fitted)
        return fitted.failure();
    Calibration c;
    c.points = pointsId;
    c.batch = p.value().batch;
    c.reader = p.value().reader;
    c.wavelength = p.value().wavelength;
    c.fit = fitted.value();
    c.lowResponse = c.lowDose = INFINITY;
    c.highResponse = c.highDose = -INFINITY;
    double relative = 0;
    int given = 0;
    for (const CalibrationPoint &point : p.value().points) {
        c.lowResponse = std::min(c.lowResponse, point.response);
        c.highResponse = std::max(c.highResponse, point.response);
        c.lowDose = std::min(c.lowDose, point.dose);
        c.highDose = std::max(c.highDose, point.dose);
        if (point.dose > 0 && point.doseUncertainty > 0) {
            relative += (point.doseUncertainty / point.dose) * (point.doseUncertainty / point.dose);
            ++given;
        }
    }
    // The reference doses' relative uncertainty, as the root mean square of theirs.
    c.referenceUncertainty = given ? std::sqrt(relative / given) : 0;
    return keep(c, {});
}

Outcome<Calibration> CalibrationBook::keep(const Calibration &c, const QString &reason)
{
    const QJsonObject content{
        {QStringLiteral("points"), c.points},
        {QStringLiteral("batch"), c.batch},
        {QStringLiteral("reader"), c.reader},
        {QStringLiteral("wavelength"), qint64(c.wavelength)},
        {QStringLiteral("fit"), FitJson::toJson(c.fit)},
        {QStringLiteral("delta_k_range_per_mm"), pair(c.lowResponse, c.highResponse)},
        {QStringLiteral("dose_range_gy"), pair(c.lowDose, c.highDose)},
        {QStringLiteral("reference_uncertainty"), c.referenceUncertainty},
        {QStringLiteral("factor"), c.factor},
        {QStringLiteral("version"), c.version},
        {QStringLiteral("supersedes"), c.supersedes}};
    const Outcome<Entry> written = m_record.append(
        Entry{0, kCalibration, c.batch, {}, {}, c.supersedes, reason, content, {}, {}});
    if (!written)
        return written.failure();
    return fromEntry(written.value(), {});
}

Calibration CalibrationBook::fromEntry(const Entry &e, const QMap<qint64, Entry> &approvals) const
{
    const QJsonObject &o = e.content;
    Calibration c;
    c.id = e.id;
    c.points = o.value(QStringLiteral("points")).toInteger();
    c.batch = o.value(QStringLiteral("batch")).toString();
    c.reader = o.value(QStringLiteral("reader")).toString();
    c.wavelength = quint32(o.value(QStringLiteral("wavelength")).toInteger());
    c.fittedBy = e.user;
    c.fittedAt = e.time;
    if (const std::optional<FitResult> fit =
            FitJson::fromJson(o.value(QStringLiteral("fit")).toObject()))
        c.fit = *fit;
    const QJsonArray responses = o.value(QStringLiteral("delta_k_range_per_mm")).toArray();
    const QJsonArray doses = o.value(QStringLiteral("dose_range_gy")).toArray();
    c.lowResponse = responses.at(0).toDouble();
    c.highResponse = responses.at(1).toDouble();
    c.lowDose = doses.at(0).toDouble();
    c.highDose = doses.at(1).toDouble();
    c.referenceUncertainty = o.value(QStringLiteral("reference_uncertainty")).toDouble();
    c.factor = o.value(QStringLiteral("factor")).toDouble(1);
    c.version = o.value(QStringLiteral("version")).toInt(1);
    c.supersedes = o.value(QStringLiteral("supersedes")).toInteger();
    if (const auto a = approvals.constFind(e.id); a != approvals.cend()) {
        c.approvedBy = a->user;
        c.approvedAt = a->time;
        c.expires =
            QDate::fromString(a->content.value(QStringLiteral("expires")).toString(), Qt::ISODate);
    }
    return c;
}

Outcome<QList<Calibration>> CalibrationBook::calibrations() const
{
    const Outcome<QList<Entry>> found = m_record.entries(kCalibration);
    if (!found)
        return found.failure();
    const Outcome<QList<Entry>> approvals = m_record.entries(kApproval);
    if (!approvals)
        return approvals.failure();
    QMap<qint64, Entry> approved;
    for (const Entry &a : approvals.value())
        approved.insert(a.subject.toLongLong(), a);
    QList<Calibration> all;
    for (const Entry &e : found.value())
        all << fromEntry(e, approved);
    return all;
}

Outcome<Calibration> CalibrationBook::calibration(qint64 id) const
{
    const Outcome<Entry> e = m_record.entry(id);
    if (!e || e.value().kind != kCalibration)
        return refused(LabTexts::noCalibration(id));
    const Outcome<QList<Entry>> approvals = m_record.entries(kApproval, QString::number(id));
    if (!approvals)
        return approvals.failure();
    QMap<qint64, Entry> approved;
    if (!approvals.value().isEmpty())
        approved.insert(id, approvals.value().first());
    return fromEntry(e.value(), approved);
}

Outcome<Calibration> CalibrationBook::approve(qint64 id, const QDate &expires)
{
    const Outcome<Calibration> c = calibration(id);
    if (!c)
        return c.failure();
    if (c.value().isApproved())
        return refused(LabTexts::alreadyApproved(id));
    if (!expires.isValid() || expires < QDate::currentDate())
        return refused(LabTexts::expiresInThePast(expires.toString(Qt::ISODate)));
    const Outcome<Entry> written =
        m_record.append(Entry{0,
                              kApproval,
                              QString::number(id),
                              {},
                              {},
                              0,
                              {},
                              {{QStringLiteral("meaning"), QStringLiteral("approved")},
                               {QStringLiteral("expires"), expires.toString(Qt::ISODate)}},
                              {},
                              {}});
    if (!written)
        return written.failure();
    return calibration(id);
}

Outcome<Calibration> CalibrationBook::addFactor(qint64 id, double factor, const QString &reason)
{
    if (reason.trimmed().isEmpty())
        return refused(LabTexts::noReason());
    if (!(factor > 0) || !std::isfinite(factor))
        return refused(LabTexts::factorNotPositive(QString::number(factor)));
    const Outcome<Calibration> c = calibration(id);
    if (!c)
        return c.failure();
    if (!c.value().isApproved())
        return refused(LabTexts::factorOfUnapproved(id));
    Calibration next = c.value();
    next.factor = factor;
    next.version = c.value().version + 1;
    next.supersedes = id;
    return keep(next, reason);
}

Outcome<std::optional<Calibration>> CalibrationBook::applicable(const QString &batch,
                                                                const QString &reader,
                                                                quint32 wavelength,
                                                                const QDate &day) const
{
    const Outcome<QList<Entry>> approvals = m_record.entries(kApproval);
    if (!approvals)
        return approvals.failure();
    // The last approval wins: a new version approved after the one it changes replaces it.
    for (auto a = approvals.value().crbegin(); a != approvals.value().crend(); ++a) {
        const Outcome<Calibration> c = calibration(a->subject.toLongLong());
        if (!c)
            return c.failure();
        const Calibration &found = c.value();
        if (found.batch == batch && found.reader == reader && found.wavelength == wavelength &&
            day <= found.expires)
            return std::optional<Calibration>(found);
    }
    return std::optional<Calibration>();
}

Outcome<DoseSource> CalibrationBook::doseSource(const Session &session) const
{
    // No dose from a reader that was not shown to read true that day.
    const Outcome<ReaderInfo> reader = LabBook(m_record).reader(session.reader);
    if (!reader)
        return reader.failure();
    const QDateTime started = QDateTime::fromString(session.started, Qt::ISODate);
    const Outcome<QString> blocked = CheckBook(m_record).blocker(
        session.reader, session.wavelength, started, reader.value().checkHours);
    if (!blocked)
        return blocked.failure();
    if (!blocked.value().isEmpty())
        return DoseSource{std::nullopt, 0, blocked.value()};
    const QDate day = started.toLocalTime().date();
    const Outcome<std::optional<Calibration>> c =
        applicable(session.batch, session.reader, session.wavelength, day);
    if (!c)
        return c.failure();
    DoseSource source;
    // A curve that does not read back whole, its entry edited outside the program, gives no
    // dose rather than one made of whatever the edit left.
    if (!c.value() || !c.value()->curve().isWhole()) {
        source.missing = QStringLiteral("no-calibration");
        return source;
    }
    source.curve = c.value()->curve();
    source.calibration = c.value()->id;
    return source;
}
