#include "publish/readinginterface.h"

#include "common/readingfields.h"
#include "publish/readinginterfacexml.h"

#include <QDBusMessage>

namespace {

// A bus string cannot hold a NUL, so a text carries one as U+2400 (the symbol for NUL), which
// no received byte can be: each byte of a record is one character from U+0000 to U+00FF.
constexpr char16_t kNulOnTheBus = u'\u2400';

QVariant onTheBus(const QString &text)
{
    return QString(text).replace(QChar(u'\0'), QChar(kNulOnTheBus));
}
QVariant onTheBus(Reading::Status status)
{
    return Reading::statusName(status);
}
template <typename T> QVariant onTheBus(const T &value)
{
    return QVariant::fromValue(value);
}

bool fromTheBus(const QVariant &value, QString *text)
{
    *text = value.toString().replace(QChar(kNulOnTheBus), QChar(u'\0'));
    return true;
}
bool fromTheBus(const QVariant &value, Reading::Status *status)
{
    return Reading::statusFromName(value.toString(), status);
}
template <typename T> bool fromTheBus(const QVariant &value, T *field)
{
    *field = value.value<T>();
    return true;
}

#define ZAV41K_NAME(name, type, member, column, heading) #name,
const char *const kFields[] = {ZAV41K_READING_FIELDS(ZAV41K_NAME)};
#undef ZAV41K_NAME

QVariantList values(const Reading &reading)
{
#define ZAV41K_VALUE(name, type, member, column, heading) onTheBus(reading.member),
    return {ZAV41K_READING_FIELDS(ZAV41K_VALUE)};
#undef ZAV41K_VALUE
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

QString signature()
{
#define ZAV41K_TYPE(name, type, member, column, heading) type
    return QStringLiteral(ZAV41K_READING_FIELDS(ZAV41K_TYPE));
#undef ZAV41K_TYPE
}

Outcome<Reading> fromSignal(const QDBusMessage &message)
{
    if (message.signature() != signature())
        return Failure{0, QStringLiteral("a reading with signature \"%1\" instead of \"%2\"")
                              .arg(message.signature().left(40), signature())};
    const QVariantList arguments = message.arguments();
    Reading reading;
    int i = 0;
#define ZAV41K_FROM(name, type, member, column, heading)                                           \
    if (!fromTheBus(arguments.at(i++), &reading.member))                                           \
        return Failure{0,                                                                          \
                       QStringLiteral("a reading with an unknown %1 \"%2\"")                       \
                           .arg(QLatin1String(#member), arguments.at(i - 1).toString().left(40))};
    ZAV41K_READING_FIELDS(ZAV41K_FROM)
#undef ZAV41K_FROM
    return reading;
}

} // namespace ReadingInterface
