#pragma once

#include "common/outcome.h"

#include <QString>

// Line parameters in the serial control's text form: baud rate, parity letter, data bits and
// stop bits separated by commas, as in "9600,N,8,1".
struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };

    int baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    int stopBits = 1;

    // Parses and checks a text; the baud rate must be one the line driver offers.
    static Outcome<LineSettings> parse(const QString &text);
    QString toString() const;

    bool operator==(const LineSettings &other) const;
};
