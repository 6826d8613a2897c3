#pragma once

#include <QDBusConnection>
#include <QString>

// The process that owns a name on the session bus, as far as the bus and /proc tell. Any
// program of the user can own a name, so a follower asks whose values it receives.
struct BusOwner {
    qint64 pid = 0;  // 0 when the bus does not say
    QString program; // the executable's file name; empty when it cannot be read

    // `name` is a well-known or a unique name.
    static BusOwner of(const QDBusConnection &connection, const QString &name);

    // Whether the owner is the reader's own program, the only source of the reader's values.
    bool isTheProgram() const;
    // "process 1234 (name)", or without the name when it is not known.
    QString describe() const;
    // What a follower says when the owner of `name` is not the reader's program.
    QString notTheProgram(const QString &name) const;
};
