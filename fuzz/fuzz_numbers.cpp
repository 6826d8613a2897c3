// Number conversion and formatting in several locales. The first byte picks the locale.

#include "fuzzapplication.h"
#include "link/numberconversion.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzApplication::ensure();
    if (size == 0)
        return 0;
    static const QLocale locales[] = {QLocale::c(),
                                      QLocale(QStringLiteral("fr_FR")),
                                      QLocale(QStringLiteral("de_DE")),
                                      QLocale(QStringLiteral("en_US")),
                                      QLocale(QStringLiteral("ar_EG")),
                                      QLocale(QStringLiteral("sv_SE"))};
    const QLocale &locale = locales[data[0] % std::size(locales)];
    const QString text =
        QString::fromLatin1(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const Outcome<qint16> integer = NumberConversion::toInt16(text, locale);
    const Outcome<double> real = NumberConversion::toDouble(text, locale);
    // Every integer is also a number, and the rounding moves it by half at most.
    if (integer && (!real || std::fabs(real.value() - integer.value()) > 0.5))
        std::abort();
    if (!integer && integer.failure().description.isEmpty())
        std::abort();
    if (integer) {
        for (int decimals : {2, 3}) {
            const QString shown =
                NumberConversion::formatThousandths(integer.value(), decimals, locale);
            const Outcome<double> back = NumberConversion::toDouble(shown, locale);
            if (!back || std::fabs(back.value() - integer.value() / 1000.0) > 0.005 + 1e-9)
                std::abort();
        }
    }
    return 0;
}
