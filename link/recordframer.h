#pragma once

#include <QQueue>
#include <QString>
#include <QStringView>

#include <optional>

// One piece of the received characters, as the framer cut it.
struct ReceivedPiece {
    QString characters;
    // Eight characters or more, ended by a line end or at ten: the window decodes it. Any
    // other piece is dropped.
    bool record = false;
    // It began right after a line end (or first on the line) and ended at one: only such a
    // piece can be a record as the reader sends it. A piece cut at ten characters, or the rest
    // of a line cut so, is not.
    bool delimited = false;
};

// Cuts the received characters into pieces: a piece ends at a line end (CR, LF or CR LF) or
// when ten characters have gathered without one; the characters of an unfinished piece wait
// for the next receive event. A piece of eight or more characters is a record for the window,
// a shorter one is dropped. A piece of ten waits for the character after it, which tells
// whether its line ended there.
class RecordFramer {
public:
    static constexpr qsizetype kMaxRecordLength = 10;
    static constexpr qsizetype kMinRecordLength = 8;

    void append(QStringView characters);
    // The line was interrupted: the unfinished piece cannot be completed and is dropped, unless
    // it already had the ten characters of a record.
    void discardUnfinished();
    // The oldest piece not yet taken, records and dropped pieces alike, in the order received.
    std::optional<ReceivedPiece> takePiece();

    // The characters of the unfinished piece.
    const QString &pending() const { return m_piece; }

private:
    void endPiece(bool atLineEnd);

    QString m_piece;
    bool m_atLineStart = true; // the unfinished piece began on a fresh line
    QQueue<ReceivedPiece> m_pieces;
};
