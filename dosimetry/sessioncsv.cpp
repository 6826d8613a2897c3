#include "sessioncsv.h"

#include <QDateTime>
#include <QSaveFile>

namespace {

QByteArray number(double value, int decimals)
{
    return QByteArray::number(value, 'f', decimals);
}

// A field in quotes when it holds what would end it.
QByteArray field(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') ||
        bytes.contains('\r')) {
        bytes.replace("\"", "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

QByteArray localTime(qint64 microseconds)
{
    const QDateTime t =
        QDateTime::fromMSecsSinceEpoch(microseconds / 1000)
            .toOffsetFromUtc(QDateTime::fromMSecsSinceEpoch(microseconds / 1000).offsetFromUtc());
    return t.toString(Qt::ISODateWithMs).toUtf8();
}

} // namespace

QByteArray SessionCsv::text(const Session &session, const QList<DosimeterResult> &results,
                            const QList<SessionCapture> &captures)
{
    QByteArray csv =
        "session,dosimeter,time,wavelength_nm,absorbance,readings,captures,spread,"
        "background_a0,thickness_um,delta_k_per_mm,flags,operator,batch,reader,dose_gy,"
        "dose_uncertainty_gy_k2,no_dose_reason\r\n";
    for (const DosimeterResult &r : results) {
        qint64 last = 0;
        for (const SessionCapture &c : captures) {
            if (c.dosimeter == r.dosimeter)
                last = c.capture.time;
        }
        csv += QByteArray::number(session.id) + ',' + field(r.dosimeter) + ',' + localTime(last) +
               ',' + QByteArray::number(session.wavelength) + ',' + number(r.absorbance, 4) + ',' +
               QByteArray::number(r.readings) + ',' + QByteArray::number(r.captures) + ',' +
               number(r.spread, 4) + ',' + number(r.background, 4) + ',' + number(r.thickness, 1) +
               ',' + number(r.specific, 4) + ',' + field(r.flags.join(u' ')) + ',' +
               field(session.operatorName) + ',' + field(session.batch) + ',' +
               field(session.reader) + ',' + (r.dose ? number(*r.dose, 1) : "") + ',' +
               (r.dose ? number(r.doseUncertainty, 1) : "") + ',' + field(r.noDose) + "\r\n";
    }
    return csv;
}

Status SessionCsv::write(const QString &path, const QByteArray &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        return Failure{Failure::SettingsWrite,
                       QStringLiteral("%1 was not written (%2)").arg(path, file.errorString())};
    return {};
}
