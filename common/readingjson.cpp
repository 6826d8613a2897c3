#include "common/readingjson.h"

#include "common/readingfields.h"

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

namespace {

QJsonValue jsonValue(quint64 count)
{
    return qint64(count);
}
// The one whole number of microseconds in a reading is its time.
QJsonValue jsonValue(qint64 microseconds)
{
    return utcTime(microseconds);
}
QJsonValue jsonValue(double number)
{
    return std::isfinite(number) ? QJsonValue(number) : QJsonValue(QJsonValue::Null);
}
QJsonValue jsonValue(quint32 number)
{
    return qint64(number);
}
QJsonValue jsonValue(Reading::Status status)
{
    return Reading::statusName(status);
}
QJsonValue jsonValue(bool flag)
{
    return flag;
}
QJsonValue jsonValue(const QString &text)
{
    return text;
}

} // namespace

QByteArray object(const Reading &reading)
{
    QJsonObject json;
#define ZAV41K_JSON(name, type, member, column, heading)                                           \
    json.insert(QStringLiteral(#member), jsonValue(reading.member));
    ZAV41K_READING_FIELDS(ZAV41K_JSON)
#undef ZAV41K_JSON
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

} // namespace ReadingJson
