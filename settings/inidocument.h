#pragma once

#include <QByteArray>

#include <optional>

// The text of a settings file in INI form, kept byte for byte. Values are read from it and one
// value can be replaced in it; every other byte stays as the user wrote it: comments, blank
// lines, the order of groups and keys, line ends, a byte order mark and bytes that are not
// UTF-8.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(QByteArray bytes);

    const QByteArray &bytes() const { return m_bytes; }

    // The value of `key` in `group` (the last one where a key repeats), without its quotes.
    std::optional<QByteArray> value(const QByteArray &group, const QByteArray &key) const;

    // The same text with `key` in `group` set to `value`: the key's line is rewritten where
    // it is, or added at the end of the group, or the group is added at the end.
    IniDocument withValue(const QByteArray &group, const QByteArray &key,
                          const QByteArray &value) const;

private:
    struct Line {
        qsizetype begin; // first byte
        qsizetype end;   // after the last byte of the content, before the line end
        qsizetype next;  // first byte of the next line
    };
    struct Entry {
        qsizetype valueBegin; // the value's span as written, quotes included
        qsizetype valueEnd;
    };

    QList<Line> lines() const;
    QByteArray lineEnd() const;
    static std::optional<QByteArray> groupOf(QByteArrayView content);
    std::optional<Entry> entryOf(const Line &line, const QByteArray &key) const;

    QByteArray m_bytes;
};
