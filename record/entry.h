#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// One entry of the record, as written: never changed afterwards. A correction is a new entry
// that names the one it replaces and says why.
struct Entry {
    qint64 id = 0;       // 1, 2, 3, ... in the order of writing
    QString kind;        // "reader", "batch", "session", "capture", ...
    QString subject;     // what it is about: a reader's name, a session's id, ...
    QString time;        // RFC 3339, UTC
    QString user;        // the login name
    qint64 replaces = 0; // the entry this one corrects, 0 for none
    QString reason;      // why, for a correction
    QJsonObject content; // the values, as the kind has them
    QByteArray previous; // the hash of the entry before (hex), 64 zeros for the first
    QByteArray hash;     // SHA-256 (hex) of this entry's fields and `previous`
};
