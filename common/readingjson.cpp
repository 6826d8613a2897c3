#include "common/readingjson.h"

#include "common/readingfields.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <iterator>

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
    qint64 days = seconds / 86400;
    qint64 second = seconds % 86400;
    if (second < 0) {
        second += 86400;
        --days;
    }
    constexpr qint64 kEpochJulianDay = 2440588; // 1970-01-01
    const QDate date = QDate::fromJulianDay(kEpochJulianDay + days);
    if (date.year() < 1 || date.year() > 9999) // no four-digit year: the long way
        return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC)
                   .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
               QStringLiteral(".%1Z").arg(fraction, 6, 10, QLatin1Char('0'));
    // Written digit by digit: a date format costs more than the rest of a row (every reading
    // of the bridge and of the record takes this).
    char16_t text[] = u"0000-00-00T00:00:00.000000Z";
    const auto put = [&text](int end, qint64 value, int digits) {
        for (int i = end - 1; digits-- > 0; --i, value /= 10)
            text[i] = char16_t(u'0' + value % 10);
    };
    put(4, date.year(), 4);
    put(7, date.month(), 2);
    put(10, date.day(), 2);
    put(13, second / 3600, 2);
    put(16, second / 60 % 60, 2);
    put(19, second % 60, 2);
    put(26, fraction, 6);
    return QString::fromUtf16(text, std::size(text) - 1);
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
