#include "link/numberconversion.h"

#include "resources/failuretexts.h"

#include <cmath>
#include <cstdlib>

namespace {

// A number text taken apart; digits are ASCII.
struct Parsed {
    bool negative = false;
    QString integerDigits;
    QString fractionDigits;
};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

std::optional<Parsed> parse(const QString &text, const QLocale &locale)
{
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isBlank(text.at(i)))
        ++i;
    while (end > i && isBlank(text.at(end - 1)))
        --end;

    Parsed parsed;
    if (i < end && (text.at(i) == u'-' || text.at(i) == u'+')) {
        parsed.negative = text.at(i) == u'-';
        ++i;
    }
    const qsizetype integerStart = i;
    while (i < end && isDigit(text.at(i)))
        ++i;
    parsed.integerDigits = text.mid(integerStart, i - integerStart);
    // The locale is asked only when something follows the digits: a record's fields are plain
    // digits, and asking the system locale costs more than reading them.
    const QString decimalPoint = i < end ? locale.decimalPoint() : QString();
    if (!decimalPoint.isEmpty() && QStringView(text).mid(i).startsWith(decimalPoint)) {
        i += decimalPoint.size();
        const qsizetype fractionStart = i;
        while (i < end && isDigit(text.at(i)))
            ++i;
        parsed.fractionDigits = text.mid(fractionStart, i - fractionStart);
    }
    if (i != end || (parsed.integerDigits.isEmpty() && parsed.fractionDigits.isEmpty()))
        return std::nullopt;
    return parsed;
}

Failure notANumber(const QString &text)
{
    return Failure{Failure::TypeMismatch, FailureTexts::notANumber(text)};
}

} // namespace

namespace NumberConversion {

Outcome<qint16> toInt16(const QString &text, const QLocale &locale)
{
    const std::optional<Parsed> parsed = parse(text, locale);
    if (!parsed)
        return notANumber(text);
    // Made only when needed: a record's count is converted 96 times a second.
    auto overflow = [&text] {
        return Failure{Failure::Overflow, FailureTexts::outOfRange(text, -32768, 32767)};
    };

    QStringView digits(parsed->integerDigits);
    while (digits.size() > 1 && digits.front() == u'0')
        digits = digits.mid(1);
    if (digits.size() > 5)
        return overflow();
    int magnitude = digits.isEmpty() ? 0 : digits.toInt();

    // Round on the decimal digits themselves, so that no binary fraction can tip a half.
    const QString &fraction = parsed->fractionDigits;
    if (!fraction.isEmpty()) {
        const QChar first = fraction.front();
        bool restNonZero = false;
        for (qsizetype i = 1; i < fraction.size(); ++i)
            restNonZero = restNonZero || fraction.at(i) != u'0';
        if (first > u'5' || (first == u'5' && (restNonZero || magnitude % 2 == 1)))
            ++magnitude;
    }
    const int value = parsed->negative ? -magnitude : magnitude;
    if (value < -32768 || value > 32767)
        return overflow();
    return static_cast<qint16>(value);
}

Outcome<double> toDouble(const QString &text, const QLocale &locale)
{
    const std::optional<Parsed> parsed = parse(text, locale);
    if (!parsed)
        return notANumber(text);
    // Up to 18 digits and no fraction, the value is an integer held exactly in 64 bits, and its
    // conversion to a double rounds to the nearest as reading the text would.
    if (parsed->fractionDigits.isEmpty() && parsed->integerDigits.size() <= 18) {
        qint64 magnitude = 0;
        for (const QChar digit : std::as_const(parsed->integerDigits))
            magnitude = magnitude * 10 + (digit.unicode() - u'0');
        const double value = double(magnitude);
        return parsed->negative ? -value : value;
    }
    QString plain = parsed->negative ? QStringLiteral("-") : QString();
    plain += parsed->integerDigits.isEmpty() ? QStringLiteral("0") : parsed->integerDigits;
    if (!parsed->fractionDigits.isEmpty())
        plain += u'.' + parsed->fractionDigits;
    bool ok = false;
    const double value = QLocale::c().toDouble(plain, &ok);
    if (ok)
        return value;
    if (std::isinf(value))
        return Failure{Failure::Overflow, FailureTexts::tooLarge(text)};
    // Qt refuses a magnitude below the smallest normal double; that text is a zero, not an error.
    return parsed->negative ? -0.0 : 0.0;
}

QString formatThousandths(int count, int decimals, const QLocale &locale)
{
    Q_ASSERT(decimals >= 0 && decimals <= 3);
    int scale = 1;
    for (int i = decimals; i < 3; ++i)
        scale *= 10;
    // Exact integer arithmetic on the quotient: halves round away from zero.
    const qint64 magnitude = std::llabs(static_cast<qint64>(count));
    const qint64 scaled = (magnitude + scale / 2) / scale;
    qint64 unit = 1;
    for (int i = 0; i < decimals; ++i)
        unit *= 10;
    QString result;
    if (count < 0 && scaled != 0)
        result += u'-';
    result += QString::number(scaled / unit);
    if (decimals > 0) {
        result += locale.decimalPoint();
        QChar fraction[3];
        qint64 rest = scaled % unit;
        for (int i = decimals - 1; i >= 0; --i, rest /= 10)
            fraction[i] = QChar(char16_t(u'0' + rest % 10));
        result.append(fraction, decimals);
    }
    return result;
}

} // namespace NumberConversion
