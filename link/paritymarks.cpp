#include "link/paritymarks.h"

ParityMarkDecoder::Result ParityMarkDecoder::decode(const QByteArray &raw)
{
    const QByteArray input = m_pending + raw;
    m_pending.clear();
    Result result;
    result.data.reserve(input.size());
    qsizetype i = 0;
    while (i < input.size()) {
        const char c = input.at(i);
        if (c != '\377') {
            result.data.append(c);
            ++i;
            continue;
        }
        if (i + 1 >= input.size())
            break;
        if (input.at(i + 1) == '\377') {
            result.data.append('\377');
            i += 2;
            continue;
        }
        if (input.at(i + 1) != '\0') {
            // Not a mark the kernel writes; keep the byte as received.
            result.data.append(c);
            ++i;
            continue;
        }
        if (i + 2 >= input.size())
            break;
        if (input.at(i + 2) == '\0')
            ++result.breaks;
        else {
            result.data.append('?');
            ++result.markedCharacters;
        }
        i += 3;
    }
    m_pending = input.mid(i);
    return result;
}
