#pragma once

#include <QString>

// What the reader's line always is: 9600 baud, no parity, 8 data bits, 1 stop bit, no flow
// control, a receive event for every waiting character, at most ten characters a read.
// Start-up sets all of it; the port dialog sets the settings and the handshaking again.
namespace ReaderLine {

inline QString settings()
{
    return QStringLiteral("9600,N,8,1");
}
inline constexpr qint16 kRThreshold = 1;
inline constexpr qint16 kInputLen = 10;
inline constexpr qint32 kHandshaking = 0; // none

} // namespace ReaderLine
