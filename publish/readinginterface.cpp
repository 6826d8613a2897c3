#include "publish/readinginterface.h"

#include "publish/readinginterfacexml.h"

#include <QDBusMessage>

namespace {

// In the order of the signal's arguments.
const char *const kFields[] = {"Sequence",   "Time",   "Absorbance", "Shown", "Marker",
                               "Wavelength", "Status", "Damaged",    "Record"};

// A bus string cannot hold a NUL, so the record carries one as U+2400 (the symbol for NUL),
// which no received byte can be: each byte is one character from U+0000 to U+00FF.
constexpr char16_t kNulOnTheBus = u'\u2400';

QString recordOnTheBus(QString record)
{
    return record.replace(QChar(u'\0'), QChar(kNulOnTheBus));
}

QString recordFromTheBus(QString record)
{
    return record.replace(QChar(kNulOnTheBus), QChar(u'\0'));
}

QVariantList values(const Reading &reading)
{
    return {QVariant::fromValue(reading.sequence),
            QVariant::fromValue(reading.time),
            QVariant::fromValue(reading.absorbance),
            QVariant::fromValue(reading.shown),
            QVariant::fromValue(reading.marker),
            QVariant::fromValue(reading.wavelength),
            QVariant::fromValue(Reading::statusName(reading.status)),
            QVariant::fromValue(reading.damaged),
            QVariant::fromValue(recordOnTheBus(reading.record))};
}

} // namespace

namespace ReadingInterface {

QString introspection()
{
    return QString::fromUtf8(kIntrospection);
}

QVariantMap properties(const Reading &reading)
{
    const QVariantList all = values(reading);
    QVariantMap map;
    for (int i = 0; i < all.size(); ++i)
        map.insert(QString::fromLatin1(kFields[i]), all.at(i));
    return map;
}

QVariant property(const Reading &reading, const QString &name)
{
    for (int i = 0; i < int(std::size(kFields)); ++i) {
        if (name == QLatin1String(kFields[i]))
            return values(reading).at(i);
    }
    return {};
}

QDBusMessage signal(const QString &path, const Reading &reading)
{
    QDBusMessage message =
        QDBusMessage::createSignal(path, QString::fromLatin1(kName), QString::fromLatin1(kSignal));
    message.setArguments(values(reading));
    return message;
}

Outcome<Reading> fromSignal(const QDBusMessage &message)
{
    if (message.signature() != QLatin1String(kSignature))
        return Failure{0, QStringLiteral("a reading with signature \"%1\" instead of \"%2\"")
                              .arg(message.signature().left(40), QLatin1String(kSignature))};
    const QVariantList a = message.arguments();
    Reading reading;
    reading.sequence = a.at(0).toULongLong();
    reading.time = a.at(1).toLongLong();
    reading.absorbance = a.at(2).toDouble();
    reading.shown = a.at(3).toString();
    reading.marker = a.at(4).toBool();
    reading.wavelength = a.at(5).toUInt();
    if (!Reading::statusFromName(a.at(6).toString(), &reading.status))
        return Failure{0, QStringLiteral("a reading with an unknown status \"%1\"")
                              .arg(a.at(6).toString().left(40))};
    reading.damaged = a.at(7).toBool();
    reading.record = recordFromTheBus(a.at(8).toString());
    return reading;
}

} // namespace ReadingInterface
