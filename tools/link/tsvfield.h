#pragma once

#include <QString>

// A field of a tab-separated line, with what would break the line or reach the terminal as a
// command written out: backslash, tab, CR and LF as \\ \t \r \n, other control characters
// (C0, DEL, C1) as \xHH.
inline QString tsvField(const QString &text)
{
    QString field;
    field.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'\\': field += QStringLiteral("\\\\"); break;
        case u'\t': field += QStringLiteral("\\t"); break;
        case u'\r': field += QStringLiteral("\\r"); break;
        case u'\n': field += QStringLiteral("\\n"); break;
        default:
            if (u < 0x20 || (u >= 0x7f && u < 0xa0))
                field += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
            else
                field += c;
        }
    }
    return field;
}
