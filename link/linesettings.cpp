#include "link/linesettings.h"

#include "resources/failuretexts.h"

#include <QStringList>

#include <algorithm>
#include <iterator>

namespace {

constexpr int kBaudRates[] = {50,   75,   110,  134,  150,   200,   300,   600,    1200,
                              1800, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};

constexpr char kParityLetters[] = {'N', 'E', 'O', 'M', 'S'};

} // namespace

Outcome<LineSettings> LineSettings::parse(const QString &text)
{
    const Failure invalid{Failure::InvalidPropertyValue, FailureTexts::invalidLineSettings(text)};
    const QStringList fields = text.split(u',');
    if (fields.size() != 4)
        return invalid;

    LineSettings settings;
    bool ok = false;
    settings.baudRate = fields.at(0).trimmed().toInt(&ok);
    if (!ok || std::find(std::begin(kBaudRates), std::end(kBaudRates), settings.baudRate) ==
                   std::end(kBaudRates))
        return invalid;

    const QString parity = fields.at(1).trimmed().toUpper();
    if (parity.size() != 1)
        return invalid;
    const char *letter =
        std::find(std::begin(kParityLetters), std::end(kParityLetters), parity.front().toLatin1());
    if (letter == std::end(kParityLetters))
        return invalid;
    settings.parity = static_cast<Parity>(letter - std::begin(kParityLetters));

    settings.dataBits = fields.at(2).trimmed().toInt(&ok);
    if (!ok || settings.dataBits < 5 || settings.dataBits > 8)
        return invalid;

    settings.stopBits = fields.at(3).trimmed().toInt(&ok);
    if (!ok || (settings.stopBits != 1 && settings.stopBits != 2))
        return invalid;
    return settings;
}

QString LineSettings::toString() const
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(baudRate)
        .arg(QLatin1Char(kParityLetters[static_cast<int>(parity)]))
        .arg(dataBits)
        .arg(stopBits);
}

bool LineSettings::operator==(const LineSettings &other) const
{
    return baudRate == other.baudRate && parity == other.parity && dataBits == other.dataBits &&
           stopBits == other.stopBits;
}
