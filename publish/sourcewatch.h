#pragma once

#include <QDBusConnection>
#include <QObject>

class QDBusServiceWatcher;

// Whether a source owns its well-known name on the bus, and every change of that: what a
// follower says when the source stops and starts. Watches one connection at a time.
class SourceWatch : public QObject {
    Q_OBJECT

public:
    explicit SourceWatch(QString service, QObject *parent = nullptr);

    // Watches on `connection` from now on, in place of the one before.
    void watch(const QDBusConnection &connection);
    bool isRunning() const;

signals:
    void runningChanged(bool running);
    // The name is owned by a process that is not the reader's program: its values are not
    // the reader's. Said when watching starts and at every change of owner.
    void ownedByAnother(qint64 pid, const QString &program);

private:
    void checkOwner(const QString &owner);

    QString m_service;
    QDBusConnection m_connection;
    QDBusServiceWatcher *m_watcher = nullptr;
};
