#include "link/recordframer.h"

void RecordFramer::append(QStringView characters)
{
    for (const QChar c : characters) {
        const bool lineEnd = c == u'\r' || c == u'\n';
        if (m_piece.size() >= kMaxRecordLength) {
            // The full piece waited for this character: a line end completes it.
            endPiece(lineEnd);
            if (lineEnd)
                continue;
        } else if (lineEnd) {
            endPiece(true);
            continue;
        }
        m_piece.append(c);
    }
}

std::optional<ReceivedPiece> RecordFramer::takePiece()
{
    if (m_pieces.isEmpty())
        return std::nullopt;
    return m_pieces.dequeue();
}

void RecordFramer::discardUnfinished()
{
    if (m_piece.size() >= kMaxRecordLength) {
        endPiece(false);
    } else if (!m_piece.isEmpty()) {
        m_pieces.enqueue({m_piece, false, false});
        m_piece.clear();
    }
    m_atLineStart = true;
}

void RecordFramer::endPiece(bool atLineEnd)
{
    if (!m_piece.isEmpty()) {
        const bool record = m_piece.size() >= kMinRecordLength;
        m_pieces.enqueue({m_piece, record, m_atLineStart && atLineEnd});
    }
    m_piece.clear();
    m_atLineStart = atLineEnd;
}
