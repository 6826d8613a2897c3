#include "settings/inidocument.h"

#include <QList>

namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// A quoted value is read as the settings library writes it: \" and \\ stand for themselves.
QByteArray unquoted(QByteArrayView written)
{
    if (written.size() < 2 || written.front() != '"' || written.back() != '"')
        return written.toByteArray();
    QByteArray value;
    for (qsizetype i = 1; i + 1 < written.size(); ++i) {
        if (written.at(i) == '\\' && i + 2 < written.size())
            ++i;
        value.append(written.at(i));
    }
    return value;
}

// What completes a last line that has no line feed: a carriage return there has begun the line
// end already, and another would become part of the line's value.
QByteArray lineEndAfter(const QByteArray &bytes, qsizetype at, const QByteArray &eol)
{
    return at > 0 && bytes.at(at - 1) == '\r' ? QByteArray("\n") : eol;
}

} // namespace

IniDocument::IniDocument(QByteArray bytes)
    : m_bytes(std::move(bytes))
{
}

QList<IniDocument::Line> IniDocument::lines() const
{
    QList<Line> result;
    qsizetype begin = m_bytes.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (begin < m_bytes.size()) {
        qsizetype newline = m_bytes.indexOf('\n', begin);
        const qsizetype next = newline < 0 ? m_bytes.size() : newline + 1;
        qsizetype end = newline < 0 ? m_bytes.size() : newline;
        if (end > begin && m_bytes.at(end - 1) == '\r')
            --end;
        result.append({begin, end, next});
        begin = next;
    }
    return result;
}

QByteArray IniDocument::lineEnd() const
{
    const qsizetype newline = m_bytes.indexOf('\n');
    return newline > 0 && m_bytes.at(newline - 1) == '\r' ? QByteArray("\r\n") : QByteArray("\n");
}

std::optional<QByteArray> IniDocument::groupOf(QByteArrayView content)
{
    content = trimmed(content);
    if (content.size() < 2 || content.front() != '[' || content.back() != ']')
        return std::nullopt;
    return trimmed(content.sliced(1, content.size() - 2)).toByteArray();
}

std::optional<IniDocument::Entry> IniDocument::entryOf(const Line &line,
                                                       const QByteArray &key) const
{
    const QByteArrayView content(m_bytes.constData() + line.begin, line.end - line.begin);
    const qsizetype equals = content.indexOf('=');
    if (equals < 0 || trimmed(content.first(equals)) != key)
        return std::nullopt;
    qsizetype valueBegin = line.begin + equals + 1;
    qsizetype valueEnd = line.end;
    while (valueBegin < valueEnd && isBlank(m_bytes.at(valueBegin)))
        ++valueBegin;
    while (valueEnd > valueBegin && isBlank(m_bytes.at(valueEnd - 1)))
        --valueEnd;
    return Entry{valueBegin, valueEnd};
}

std::optional<QByteArray> IniDocument::value(const QByteArray &group, const QByteArray &key) const
{
    std::optional<QByteArray> found;
    QByteArray current;
    for (const Line &line : lines()) {
        const QByteArrayView content(m_bytes.constData() + line.begin, line.end - line.begin);
        if (const std::optional<QByteArray> name = groupOf(content)) {
            current = *name;
            continue;
        }
        if (current != group)
            continue;
        if (const std::optional<Entry> entry = entryOf(line, key))
            found = unquoted(QByteArrayView(m_bytes.constData() + entry->valueBegin,
                                            entry->valueEnd - entry->valueBegin));
    }
    return found;
}

IniDocument IniDocument::withValue(const QByteArray &group, const QByteArray &key,
                                   const QByteArray &value) const
{
    const QList<Line> all = lines();
    std::optional<Entry> last;
    qsizetype groupContentEnd = -1; // after the last non-blank line of the first such group
    QByteArray current;
    bool inFirstGroup = false;
    bool groupSeen = false;
    for (const Line &line : all) {
        const QByteArrayView content(m_bytes.constData() + line.begin, line.end - line.begin);
        if (const std::optional<QByteArray> name = groupOf(content)) {
            current = *name;
            inFirstGroup = current == group && !groupSeen;
            if (inFirstGroup) {
                groupSeen = true;
                groupContentEnd = line.next;
            }
            continue;
        }
        if (current != group)
            continue;
        if (inFirstGroup && !trimmed(content).isEmpty())
            groupContentEnd = line.next;
        if (const std::optional<Entry> entry = entryOf(line, key))
            last = entry;
    }

    QByteArray bytes = m_bytes;
    if (last) {
        bytes.replace(last->valueBegin, last->valueEnd - last->valueBegin, value);
        return IniDocument(bytes);
    }
    const QByteArray eol = lineEnd();
    const QByteArray line = key + '=' + value + eol;
    if (groupSeen) {
        // The group's last line may be the file's last and have no line end.
        const bool endsLine = groupContentEnd > 0 && bytes.at(groupContentEnd - 1) == '\n';
        bytes.insert(groupContentEnd,
                     endsLine ? line : lineEndAfter(bytes, groupContentEnd, eol) + line);
        return IniDocument(bytes);
    }
    if (!all.isEmpty()) {
        if (!bytes.endsWith('\n'))
            bytes += lineEndAfter(bytes, bytes.size(), eol);
        bytes += eol;
    }
    bytes += '[' + group + ']' + eol + line;
    return IniDocument(bytes);
}
