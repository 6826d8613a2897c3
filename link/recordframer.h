#pragma once

#include <QQueue>
#include <QString>
#include <QStringView>

#include <optional>

// Cuts the received characters into reading records. A record ends at a line end (CR, LF or
// CR LF) or when ten characters have gathered without one; the characters of an unfinished
// record wait for the next receive event. A piece of eight or more characters is a record,
// a shorter one is dropped.
class RecordFramer {
public:
    static constexpr qsizetype kMaxRecordLength = 10;
    static constexpr qsizetype kMinRecordLength = 8;

    void append(QStringView characters);
    // Forgets the unfinished record; records already complete are kept.
    void discardUnfinished();
    // The oldest record not yet taken, in the order received.
    std::optional<QString> takeRecord();

    // The characters of the unfinished record.
    const QString &pending() const { return m_piece; }
    qsizetype droppedPieces() const { return m_dropped; }

private:
    void endPiece();

    QString m_piece;
    QQueue<QString> m_records;
    qsizetype m_dropped = 0;
};
