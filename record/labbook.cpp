#include "labbook.h"

#include "calibrationbook.h"
#include "capturejson.h"
#include "labtexts.h"
#include "refusal.h"

#include <QJsonArray>
#include <QMap>

#include <cmath>

namespace {

const QString kReader = QStringLiteral("reader");
const QString kBatch = QStringLiteral("batch");
const QString kBackground = QStringLiteral("background");
const QString kSession = QStringLiteral("session");
const QString kSessionEnd = QStringLiteral("session-end");
const QString kCapture = QStringLiteral("capture");
const QString kCorrection = QStringLiteral("correction");

QString str(const QJsonObject &o, const char *key)
{
    return o.value(QLatin1String(key)).toString();
}

double num(const QJsonObject &o, const char *key)
{
    return o.value(QLatin1String(key)).toDouble();
}

// Counts and wavelengths as the program writes them, whole numbers; anything else, from an edit
// outside the program, reads as 0 rather than as whatever a conversion of it would make.
int whole(const QJsonObject &o, const char *key)
{
    return o.value(QLatin1String(key)).toInt();
}
quint32 nanometres(const QJsonObject &o)
{
    return quint32(o.value(QLatin1String("wavelength")).toInteger());
}

Background backgroundFrom(const QJsonObject &o)
{
    return {str(o, "batch"), nanometres(o), num(o, "mean"), num(o, "deviation"), whole(o, "count")};
}

QJsonObject backgroundJson(const Background &b)
{
    return {{QStringLiteral("batch"), b.batch},
            {QStringLiteral("wavelength"), qint64(b.wavelength)},
            {QStringLiteral("mean"), b.mean},
            {QStringLiteral("deviation"), b.deviation},
            {QStringLiteral("count"), b.count}};
}

} // namespace

LabBook::LabBook(DosimetryRecord &record)
    : m_record(record)
{
}

Outcome<std::optional<Entry>> LabBook::latest(const QString &kind, const QString &subject) const
{
    const Outcome<QList<Entry>> found = m_record.entries(kind, subject);
    if (!found)
        return found.failure();
    if (found.value().isEmpty())
        return std::optional<Entry>();
    return std::optional<Entry>(found.value().last());
}

Outcome<QStringList> LabBook::subjects(const QString &kind) const
{
    const Outcome<QList<Entry>> found = m_record.entries(kind);
    if (!found)
        return found.failure();
    QStringList names;
    for (const Entry &e : found.value()) {
        if (!names.contains(e.subject))
            names << e.subject;
    }
    return names;
}

Outcome<QStringList> LabBook::readerNames() const
{
    return subjects(kReader);
}

Outcome<QStringList> LabBook::batchNames() const
{
    return subjects(kBatch);
}

Status LabBook::addNamed(const QString &kind, const QString &name, const QJsonObject &content,
                         const QString &exists)
{
    if (name.trimmed().isEmpty())
        return refused(LabTexts::emptyName());
    const Outcome<QList<Entry>> existing = m_record.entries(kind, name);
    if (!existing)
        return existing.failure();
    if (!existing.value().isEmpty())
        return refused(exists);
    return m_record.append(Entry{0, kind, name, {}, {}, 0, {}, content, {}, {}}).status();
}

Outcome<ReaderInfo> LabBook::addReader(const ReaderInfo &reader)
{
    const Status added = addNamed(kReader, reader.name,
                                  {{QStringLiteral("name"), reader.name},
                                   {QStringLiteral("serial"), reader.serial},
                                   {QStringLiteral("threshold"), reader.threshold},
                                   {QStringLiteral("check_hours"), reader.checkHours}},
                                  LabTexts::readerExists(reader.name));
    if (!added)
        return added.failure();
    return reader;
}

Outcome<ReaderInfo> LabBook::reader(const QString &name) const
{
    const Outcome<std::optional<Entry>> e = latest(kReader, name);
    if (!e)
        return e.failure();
    if (!e.value())
        return refused(LabTexts::noReader(name));
    const QJsonObject &o = e.value()->content;
    return ReaderInfo{str(o, "name"), str(o, "serial"), num(o, "threshold"),
                      o.value(QStringLiteral("check_hours")).toInt(24)};
}

Outcome<Batch> LabBook::addBatch(const Batch &batch)
{
    if (!(batch.thickness > 0) || !std::isfinite(batch.thickness))
        return refused(LabTexts::thicknessNotPositive(QString::number(batch.thickness)));
    if (!(batch.thicknessUncertainty >= 0) || !std::isfinite(batch.thicknessUncertainty))
        return refused(LabTexts::uncertaintyNegative(QString::number(batch.thicknessUncertainty)));
    const Status added =
        addNamed(kBatch, batch.name,
                 {{QStringLiteral("name"), batch.name},
                  {QStringLiteral("lot"), batch.lot},
                  {QStringLiteral("thickness_um"), batch.thickness},
                  {QStringLiteral("thickness_uncertainty_um"), batch.thicknessUncertainty}},
                 LabTexts::batchExists(batch.name));
    if (!added)
        return added.failure();
    return batch;
}

Outcome<Batch> LabBook::batch(const QString &name) const
{
    const Outcome<std::optional<Entry>> e = latest(kBatch, name);
    if (!e)
        return e.failure();
    if (!e.value())
        return refused(LabTexts::noBatch(name));
    const QJsonObject &o = e.value()->content;
    return Batch{str(o, "name"), str(o, "lot"), num(o, "thickness_um"),
                 num(o, "thickness_uncertainty_um")};
}

Outcome<Background> LabBook::addBackground(const QString &batchName, quint32 wavelength,
                                           const QList<Capture> &captures)
{
    const Outcome<Batch> b = batch(batchName);
    if (!b)
        return b.failure();
    if (captures.isEmpty())
        return refused(LabTexts::noCaptures());
    Background bg{batchName, wavelength, 0, 0, int(captures.size())};
    QJsonArray taken;
    for (const Capture &c : captures) {
        bg.mean += c.absorbance;
        taken.append(CaptureJson::toJson(c));
    }
    bg.mean /= bg.count;
    if (bg.count > 1) {
        double squares = 0;
        for (const Capture &c : captures)
            squares += (c.absorbance - bg.mean) * (c.absorbance - bg.mean);
        bg.deviation = std::sqrt(squares / (bg.count - 1));
    }
    QJsonObject content = backgroundJson(bg);
    content.insert(QStringLiteral("captures"), taken);
    const Outcome<Entry> written =
        m_record.append(Entry{0, kBackground, batchName, {}, {}, 0, {}, content, {}, {}});
    if (!written)
        return written.failure();
    return bg;
}

Outcome<Background> LabBook::background(const QString &batchName, quint32 wavelength) const
{
    const Outcome<QList<Entry>> found = m_record.entries(kBackground, batchName);
    if (!found)
        return found.failure();
    for (auto e = found.value().crbegin(); e != found.value().crend(); ++e) {
        const Background bg = backgroundFrom(e->content);
        if (bg.wavelength == wavelength)
            return bg;
    }
    return refused(LabTexts::noBackground(batchName, wavelength));
}

Outcome<Session> LabBook::startSession(Session s)
{
    const Outcome<Batch> b = batch(s.batch);
    if (!b)
        return b.failure();
    const Outcome<ReaderInfo> r = reader(s.reader);
    if (!r)
        return r.failure();
    const Outcome<Background> bg = background(s.batch, s.wavelength);
    if (!bg)
        return bg.failure();
    s.background = bg.value();
    s.nominalThickness = b.value().thickness;
    s.thicknessUncertainty = b.value().thicknessUncertainty;
    s.threshold = r.value().threshold;
    s.replicates = qMax(1, s.replicates);
    Entry e{0, kSession, s.batch, {}, {}, 0, {}, {}, {}, {}};
    e.content = {{QStringLiteral("batch"), s.batch},
                 {QStringLiteral("reader"), s.reader},
                 {QStringLiteral("wavelength"), qint64(s.wavelength)},
                 {QStringLiteral("replicates"), s.replicates},
                 {QStringLiteral("replicate_tolerance"), s.replicateTolerance},
                 {QStringLiteral("purpose"), s.purpose},
                 {QStringLiteral("background"), backgroundJson(s.background)},
                 {QStringLiteral("thickness_um"), s.nominalThickness},
                 {QStringLiteral("thickness_uncertainty_um"), s.thicknessUncertainty},
                 {QStringLiteral("threshold"), s.threshold}};
    const Outcome<Entry> written = m_record.append(e);
    if (!written)
        return written.failure();
    s.id = written.value().id;
    s.started = written.value().time;
    s.operatorName = written.value().user;
    return s;
}

Outcome<Session> LabBook::session(qint64 id) const
{
    const Outcome<Entry> e = m_record.entry(id);
    if (!e || e.value().kind != kSession)
        return refused(LabTexts::noSession(id));
    const QJsonObject &o = e.value().content;
    Session s;
    s.id = id;
    s.operatorName = e.value().user;
    s.batch = str(o, "batch");
    s.reader = str(o, "reader");
    s.wavelength = nanometres(o);
    // At least one, as it is written: a capture by dosimeter IDs divides by it.
    s.replicates = qMax(1, whole(o, "replicates"));
    s.replicateTolerance = num(o, "replicate_tolerance");
    s.purpose = str(o, "purpose");
    s.background = backgroundFrom(o.value(QStringLiteral("background")).toObject());
    s.nominalThickness = num(o, "thickness_um");
    s.thicknessUncertainty = num(o, "thickness_uncertainty_um");
    s.threshold = num(o, "threshold");
    s.started = e.value().time;
    const Outcome<QList<Entry>> ends = m_record.entries(kSessionEnd, QString::number(id));
    if (!ends)
        return ends.failure();
    s.ended = !ends.value().isEmpty();
    return s;
}

Status LabBook::endSession(qint64 id)
{
    const Outcome<Session> s = session(id);
    if (!s)
        return s.failure();
    if (s.value().ended)
        return refused(LabTexts::sessionEnded(id));
    // The end is the operator's signature: who performed the session, when.
    return m_record
        .append(Entry{0,
                      kSessionEnd,
                      QString::number(id),
                      {},
                      {},
                      0,
                      {},
                      {{QStringLiteral("meaning"), QStringLiteral("performed")}},
                      {},
                      {}})
        .status();
}

Outcome<SessionCapture> LabBook::addCapture(qint64 sessionId, const QString &dosimeter,
                                            const Capture &capture, double thickness)
{
    if (!(thickness > 0) || !std::isfinite(thickness))
        return refused(LabTexts::thicknessNotPositive(QString::number(thickness)));
    const Outcome<Session> s = session(sessionId);
    if (!s)
        return s.failure();
    if (s.value().ended)
        return refused(LabTexts::sessionEnded(sessionId));
    QJsonObject content = CaptureJson::toJson(capture);
    content.insert(QStringLiteral("dosimeter"), dosimeter);
    content.insert(QStringLiteral("thickness_um"), thickness);
    const Outcome<Entry> written = m_record.append(
        Entry{0, kCapture, QString::number(sessionId), {}, {}, 0, {}, content, {}, {}});
    if (!written)
        return written.failure();
    return SessionCapture{written.value().id, dosimeter, thickness, capture};
}

Outcome<QList<SessionCapture>> LabBook::captures(qint64 sessionId) const
{
    const QString subject = QString::number(sessionId);
    const Outcome<QList<Entry>> found = m_record.entries(kCapture, subject);
    if (!found)
        return found.failure();
    const Outcome<QList<Entry>> corrections = m_record.entries(kCorrection, subject);
    if (!corrections)
        return corrections.failure();
    QList<SessionCapture> list;
    for (const Entry &e : found.value())
        list << SessionCapture{e.id, str(e.content, "dosimeter"), num(e.content, "thickness_um"),
                               CaptureJson::fromJson(e.content)};
    // Each correction, in the order made: the captures it names go to another ID, or out.
    for (const Entry &c : corrections.value()) {
        const QString to = str(c.content, "to");
        for (const QJsonValue id : c.content.value(QStringLiteral("entries")).toArray()) {
            for (qsizetype i = 0; i < list.size(); ++i) {
                if (list.at(i).entry != id.toInteger())
                    continue;
                if (to.isEmpty())
                    list.removeAt(i);
                else
                    list[i].dosimeter = to;
                break;
            }
        }
    }
    return list;
}

Outcome<int> LabBook::correct(qint64 sessionId, const QString &dosimeter, const QString &to,
                              const QString &reason)
{
    if (reason.trimmed().isEmpty())
        return refused(LabTexts::noReason());
    const Outcome<QList<SessionCapture>> taken = captures(sessionId);
    if (!taken)
        return taken.failure();
    QJsonArray entries;
    for (const SessionCapture &c : taken.value()) {
        if (c.dosimeter == dosimeter)
            entries.append(c.entry);
    }
    if (entries.isEmpty())
        return refused(LabTexts::noCapturesOf(dosimeter, sessionId));
    Entry e{0,      kCorrection, QString::number(sessionId),
            {},     {},          entries.first().toInteger(),
            reason, {},          {},
            {}};
    e.content = {{QStringLiteral("from"), dosimeter},
                 {QStringLiteral("to"), to.trimmed()},
                 {QStringLiteral("entries"), entries}};
    const Outcome<Entry> written = m_record.append(e);
    if (!written)
        return written.failure();
    return int(entries.size());
}

Outcome<QList<DosimeterResult>> LabBook::results(qint64 sessionId) const
{
    const Outcome<Session> s = session(sessionId);
    if (!s)
        return s.failure();
    const Outcome<QList<SessionCapture>> taken = captures(sessionId);
    if (!taken)
        return taken.failure();
    const Outcome<DoseSource> source = doseSource(s.value());
    if (!source)
        return source.failure();
    return summarise(s.value(), taken.value(), source.value());
}

QList<DosimeterResult> LabBook::summarise(const Session &session,
                                          const QList<SessionCapture> &captures,
                                          const DoseSource &source)
{
    QList<DosimeterResult> rows;
    QMap<QString, QList<SessionCapture>> byDosimeter;
    for (const SessionCapture &c : captures) {
        if (!byDosimeter.contains(c.dosimeter)) {
            DosimeterResult row;
            row.dosimeter = c.dosimeter;
            rows << row;
        }
        byDosimeter[c.dosimeter] << c;
    }
    for (DosimeterResult &row : rows) {
        const QList<SessionCapture> &mine = byDosimeter.value(row.dosimeter);
        double sum = 0, squares = 0, low = mine.first().capture.absorbance, high = low;
        double thickness = 0;
        bool allKept = true;
        for (const SessionCapture &c : mine) {
            sum += c.capture.absorbance;
            squares += c.capture.absorbance * c.capture.absorbance;
            low = qMin(low, c.capture.absorbance);
            high = qMax(high, c.capture.absorbance);
            row.readings += c.capture.readings;
            thickness += c.thickness;
            allKept = allKept && c.entry != 0;
        }
        row.captures = int(mine.size());
        row.absorbance = sum / row.captures;
        row.spread = row.captures == 1 ? mine.first().capture.spread : high - low;
        row.thickness = thickness / row.captures;
        row.background = session.background.mean;
        const double mm = row.thickness / 1000.0;
        row.specific = (row.absorbance - row.background) / mm;
        // Standard uncertainties: of A from its replicates (of one capture, its readings'
        // spread taken as a rectangular distribution), of A0 from the background's films, of t
        // as the batch states it.
        const double uA = row.captures > 1
                              ? std::sqrt(std::max(0.0, squares - sum * row.absorbance) /
                                          (row.captures - 1) / row.captures)
                              : row.spread / std::sqrt(12.0);
        const Background &bg = session.background;
        const double uA0 = bg.count > 0 ? bg.deviation / std::sqrt(double(bg.count)) : 0;
        const double ut = session.thicknessUncertainty / row.thickness;
        row.specificUncertainty =
            std::sqrt((uA * uA + uA0 * uA0) / (mm * mm) + row.specific * row.specific * ut * ut);
        if (!source.curve) {
            row.noDose = source.missing;
        } else {
            const DoseEstimate e =
                estimateDose(*source.curve, row.specific, row.specificUncertainty);
            if (e.reason == DoseEstimate::None) {
                row.dose = e.dose;
                row.doseUncertainty = e.expandedUncertainty;
            } else {
                row.noDose = QStringLiteral("outside-range");
            }
        }
        if (row.captures > 1 && high - low > session.replicateTolerance + 1e-9)
            row.flags << QStringLiteral("replicates-disagree");
        if (row.captures < session.replicates)
            row.flags << QStringLiteral("incomplete");
        if (!allKept)
            row.flags << QStringLiteral("not-kept");
    }
    return rows;
}

Outcome<DoseSource> LabBook::doseSource(const Session &session) const
{
    return CalibrationBook(m_record).doseSource(session);
}

Outcome<QString> LabBook::lastDosimeter(qint64 sessionId) const
{
    const Outcome<std::optional<Entry>> e = latest(kCapture, QString::number(sessionId));
    if (!e)
        return e.failure();
    return e.value() ? str(e.value()->content, "dosimeter") : QString();
}
