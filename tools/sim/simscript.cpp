#include "simscript.h"

namespace SimScript {

QByteArray unescape(const QString &text)
{
    QByteArray bytes;
    const QByteArray latin = text.toLatin1();
    for (qsizetype i = 0; i < latin.size(); ++i) {
        const char c = latin.at(i);
        if (c != '\\' || i + 1 >= latin.size()) {
            bytes.append(c);
            continue;
        }
        const char next = latin.at(++i);
        switch (next) {
        case 'r': bytes.append('\r'); break;
        case 'n': bytes.append('\n'); break;
        case 't': bytes.append('\t'); break;
        case 'x': {
            bool ok = false;
            const int value = latin.mid(i + 1, 2).toInt(&ok, 16);
            if (ok && i + 2 < latin.size()) {
                bytes.append(static_cast<char>(value));
                i += 2;
            } else {
                bytes.append("\\x");
            }
            break;
        }
        default: bytes.append(next); break;
        }
    }
    return bytes;
}

QString escape(const QByteArray &bytes)
{
    QString text;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            text += QStringLiteral("\\r");
        else if (c == '\n')
            text += QStringLiteral("\\n");
        else if (c == '\\')
            text += QStringLiteral("\\\\");
        else if (u < 0x20 || u >= 0x7f)
            text += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            text += QLatin1Char(c);
    }
    return text;
}

std::optional<SimAction> parseLine(const QString &line, const QByteArray &lineEnd, QString *error)
{
    if (line.isEmpty() || line.startsWith(u'#'))
        return std::nullopt;
    if (!line.startsWith(u'@'))
        return SimAction{SimAction::Kind::Send, unescape(line) + lineEnd, 0};

    const QString directive = line.section(u' ', 0, 0);
    const QString argument = line.section(u' ', 1);
    if (directive == QStringLiteral("@raw"))
        return SimAction{SimAction::Kind::Send, unescape(argument), 0};
    bool ok = false;
    const double seconds = argument.trimmed().toDouble(&ok);
    if ((directive == QStringLiteral("@pause") || directive == QStringLiteral("@unplug")) && ok &&
        seconds >= 0) {
        const auto kind = directive == QStringLiteral("@pause") ? SimAction::Kind::Pause
                                                                : SimAction::Kind::Unplug;
        return SimAction{kind, {}, seconds};
    }
    if (error)
        *error = QStringLiteral("cannot understand \"%1\"").arg(line);
    return std::nullopt;
}

} // namespace SimScript
