#pragma once

#include <QString>

// What a client sent, as an error reply quotes it: enough to recognise, never all of it, so
// that a huge name cannot make the reply and the program's memory grow with it.
inline QString clientQuote(const QString &sent)
{
    constexpr qsizetype kMost = 40;
    return sent.size() <= kMost ? sent : sent.left(kMost) + QStringLiteral("...");
}
