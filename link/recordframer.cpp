#include "link/recordframer.h"

void RecordFramer::append(QStringView characters)
{
    for (const QChar c : characters) {
        if (c == u'\r' || c == u'\n') {
            endPiece();
            continue;
        }
        m_piece.append(c);
        if (m_piece.size() >= kMaxRecordLength)
            endPiece();
    }
}

std::optional<QString> RecordFramer::takeRecord()
{
    if (m_records.isEmpty())
        return std::nullopt;
    return m_records.dequeue();
}

void RecordFramer::discardUnfinished()
{
    if (!m_piece.isEmpty())
        ++m_dropped;
    m_piece.clear();
}

void RecordFramer::endPiece()
{
    if (m_piece.size() >= kMinRecordLength)
        m_records.enqueue(m_piece);
    else if (!m_piece.isEmpty())
        ++m_dropped;
    m_piece.clear();
}
