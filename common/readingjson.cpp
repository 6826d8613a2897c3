#include "common/readingjson.h"

#include "common/readingfields.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>

namespace ReadingJson {

namespace {

constexpr char kTimePattern[] = "0000-00-00T00:00:00.000000Z";

// Writes the time as RFC 3339 into `text`; false when its year has not four digits.
bool writeUtcTime(qint64 microseconds, char (&text)[sizeof kTimePattern])
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
    if (date.year() < 1 || date.year() > 9999)
        return false;
    // Written digit by digit: a date format costs more than the rest of a row (every reading
    // of the bridge and of the record takes this).
    std::memcpy(text, kTimePattern, sizeof kTimePattern);
    const auto put = [&text](int end, qint64 value, int digits) {
        for (int i = end - 1; digits-- > 0; --i, value /= 10)
            text[i] = char('0' + value % 10);
    };
    put(4, date.year(), 4);
    put(7, date.month(), 2);
    put(10, date.day(), 2);
    put(13, second / 3600, 2);
    put(16, second / 60 % 60, 2);
    put(19, second % 60, 2);
    put(26, fraction, 6);
    return true;
}

} // namespace

QString utcTime(qint64 microseconds)
{
    char text[sizeof kTimePattern];
    if (writeUtcTime(microseconds, text))
        return QString::fromLatin1(text, qsizetype(sizeof text - 1));
    // No four-digit year: the long way.
    qint64 fraction = microseconds % 1000000;
    fraction += fraction < 0 ? 1000000 : 0;
    return QDateTime::fromSecsSinceEpoch((microseconds - fraction) / 1000000, Qt::UTC)
               .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QStringLiteral(".%1Z").arg(fraction, 6, 10, QLatin1Char('0'));
}

namespace {

// A JSON string as Qt's own JSON writer gives it, so that a line is the same as it always was:
// the two-character escapes, \u00XX for the other control characters, UTF-8 beyond ASCII.
void appendString(QByteArray &json, QStringView text)
{
    const auto escape = [&json](char16_t c) {
        static constexpr char kHex[] = "0123456789abcdef";
        const char escaped[] = {
            '\\', 'u', kHex[c >> 12], kHex[c >> 8 & 0xf], kHex[c >> 4 & 0xf], kHex[c & 0xf]};
        json.append(escaped, qsizetype(sizeof escaped));
    };
    json += '"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\') {
            json += char(c);
        } else if (c < 0x80) {
            const char *shortForm = c == u'"'    ? "\\\""
                                    : c == u'\\' ? "\\\\"
                                    : c == u'\b' ? "\\b"
                                    : c == u'\f' ? "\\f"
                                    : c == u'\n' ? "\\n"
                                    : c == u'\r' ? "\\r"
                                    : c == u'\t' ? "\\t"
                                                 : nullptr;
            if (shortForm)
                json += shortForm;
            else
                escape(c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                   text[i + 1].isLowSurrogate()) {
            json += text.mid(i++, 2).toUtf8();
        } else if (QChar::isSurrogate(c)) {
            escape(c); // alone, it has no UTF-8
        } else {
            json += text.mid(i, 1).toUtf8();
        }
    }
    json += '"';
}

void appendInteger(QByteArray &json, qint64 number)
{
    char digits[24];
    const std::to_chars_result end = std::to_chars(std::begin(digits), std::end(digits), number);
    json.append(digits, end.ptr - digits);
}

void appendValue(QByteArray &json, quint64 count)
{
    appendInteger(json, qint64(count));
}
// The one whole number of microseconds in a reading is its time.
void appendValue(QByteArray &json, qint64 microseconds)
{
    char text[sizeof kTimePattern];
    if (!writeUtcTime(microseconds, text)) {
        appendString(json, utcTime(microseconds));
        return;
    }
    json += '"';
    json.append(text, qsizetype(sizeof text - 1));
    json += '"';
}
void appendValue(QByteArray &json, double number)
{
    if (!std::isfinite(number))
        json += "null";
    else if (std::trunc(number) == number && std::fabs(number) <= 0x1p53) // exactly a whole number
        appendInteger(json, qint64(number));
    else
        json += QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
}
void appendValue(QByteArray &json, quint32 number)
{
    appendInteger(json, number);
}
void appendValue(QByteArray &json, Reading::Status status)
{
    appendString(json, Reading::statusName(status));
}
void appendValue(QByteArray &json, bool flag)
{
    json += flag ? "true" : "false";
}
void appendValue(QByteArray &json, const QString &text)
{
    appendString(json, text);
}

enum class Field {
#define ZAV41K_FIELD(name, type, member, column, heading) name,
    ZAV41K_READING_FIELDS(ZAV41K_FIELD)
#undef ZAV41K_FIELD
};

struct Key {
    const char *name;
    Field field;
};

// The keys sorted by name: the order in which the objects were always written.
const auto &sortedKeys()
{
    static const auto keys = [] {
        std::array sorted{
#define ZAV41K_KEY(name, type, member, column, heading) Key{#member, Field::name},
            ZAV41K_READING_FIELDS(ZAV41K_KEY)
#undef ZAV41K_KEY
        };
        std::sort(sorted.begin(), sorted.end(),
                  [](const Key &a, const Key &b) { return std::strcmp(a.name, b.name) < 0; });
        return sorted;
    }();
    return keys;
}

} // namespace

QByteArray object(const Reading &reading)
{
    QByteArray json;
    json.reserve(160 + reading.record.size() + reading.shown.size());
    json += '{';
    for (const Key &key : sortedKeys()) {
        if (json.size() > 1)
            json += ',';
        json += '"';
        json += key.name;
        json += "\":";
        switch (key.field) {
#define ZAV41K_VALUE(name, type, member, column, heading)                                          \
    case Field::name: appendValue(json, reading.member); break;
            ZAV41K_READING_FIELDS(ZAV41K_VALUE)
#undef ZAV41K_VALUE
        }
    }
    json += '}';
    return json;
}

} // namespace ReadingJson
