#pragma once

#include <QString>

// A lock that one process of a user holds on this machine for its whole life, in a file it
// names. The system releases it when the process ends, however it ends, so it never goes
// stale. The file also says which process holds it.
class InstanceLock {
public:
    enum class State { Held, HeldByAnother, Unavailable };

    // Takes the lock if no other process holds it; the folder is made if missing.
    explicit InstanceLock(QString path);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    State state() const { return m_state; }
    // The process that holds the lock, as its file says; 0 when unknown.
    qint64 holder() const { return m_holder; }
    // Why the lock could not be taken (Unavailable).
    QString error() const { return m_error; }

private:
    int m_fd = -1;
    State m_state = State::Unavailable;
    qint64 m_holder = 0;
    QString m_error;
};
