#include "common/readingjson.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace ReadingJson {

QString utcTime(qint64 microseconds)
{
    // Floor division, so that a time before the epoch still has a fraction from 0 to 999999.
    qint64 seconds = microseconds / 1000000;
    qint64 fraction = microseconds % 1000000;
    if (fraction < 0) {
        fraction += 1000000;
        --seconds;
    }
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC)
               .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QStringLiteral(".%1Z").arg(fraction, 6, 10, QLatin1Char('0'));
}

QByteArray object(const Reading &reading)
{
    QJsonObject json;
    json.insert(QStringLiteral("sequence"), qint64(reading.sequence));
    json.insert(QStringLiteral("time"), utcTime(reading.time));
    json.insert(QStringLiteral("absorbance"), std::isfinite(reading.absorbance)
                                                  ? QJsonValue(reading.absorbance)
                                                  : QJsonValue(QJsonValue::Null));
    json.insert(QStringLiteral("shown"), reading.shown);
    json.insert(QStringLiteral("marker"), reading.marker);
    json.insert(QStringLiteral("wavelength"), qint64(reading.wavelength));
    json.insert(QStringLiteral("status"), Reading::statusName(reading.status));
    json.insert(QStringLiteral("damaged"), reading.damaged);
    json.insert(QStringLiteral("record"), reading.record);
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

} // namespace ReadingJson
