#pragma once

#include <QByteArray>

// Undoes the kernel's in-band marking of receive errors (termios PARMRK): "\377\377" is a
// received 0xFF, "\377\0\0" a break and "\377\0" followed by a character that character
// received with a parity or framing error. A marked character becomes "?", as the reader's
// software has always shown it; a break adds nothing. A sequence cut between two reads is
// completed by the next read.
class ParityMarkDecoder {
public:
    struct Result {
        QByteArray data;
        int markedCharacters = 0;
        int breaks = 0;
    };

    Result decode(const QByteArray &raw);
    void reset() { m_pending.clear(); }

private:
    QByteArray m_pending;
};
