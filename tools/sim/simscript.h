#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// One line of a simulator script:
//   1234 000          a record, sent with the line end
//   @raw 12\x0d       bytes sent as they stand, without a line end
//   @pause 3.5        silence, in seconds
//   @unplug 2         the device disappears for that long, then comes back
//   # ...             a comment (so are empty lines)
// Records and raw bytes take the escapes \r \n \t \\ and \xHH.
struct SimAction {
    enum class Kind { Send, Pause, Unplug };
    Kind kind = Kind::Send;
    QByteArray bytes;
    double seconds = 0;
};

namespace SimScript {

QByteArray unescape(const QString &text);
// Printable form of sent bytes, with the same escapes.
QString escape(const QByteArray &bytes);

// Nothing for a comment or an empty line; an error text in `error` for a malformed directive.
std::optional<SimAction> parseLine(const QString &line, const QByteArray &lineEnd, QString *error);

} // namespace SimScript
