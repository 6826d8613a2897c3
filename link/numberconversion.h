#pragma once

#include "common/outcome.h"

#include <QLocale>
#include <QString>

// Conversions between texts and numbers by the rules of the user's locale. The accepted form
// is: optional blanks, an optional sign, digits with an optional fraction after the locale's
// decimal separator, optional blanks. No thousands separators, no exponent.
namespace NumberConversion {

// To a 16-bit signed integer; a fraction is rounded to the nearest integer, halves to the even
// neighbour. Fails on a text that is not a number and on a value outside -32768..32767.
Outcome<qint16> toInt16(const QString &text, const QLocale &locale);

// To a double-precision number. Fails on a text that is not a number.
Outcome<double> toDouble(const QString &text, const QLocale &locale);

// `count` / 1000 with exactly `decimals` decimals (0 to 3), at least one digit before the
// locale's decimal separator and a leading minus when negative. Rounds the exact quotient
// half away from zero.
QString formatThousandths(int count, int decimals, const QLocale &locale);

} // namespace NumberConversion
