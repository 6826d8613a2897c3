#pragma once

#include <QString>

// A field of a CSV line: quoted, with its quotes doubled, when it holds a comma, a quote or a
// line end.
inline QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}
