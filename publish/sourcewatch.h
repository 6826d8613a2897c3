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

private:
    QString m_service;
    QDBusConnection m_connection;
    QDBusServiceWatcher *m_watcher = nullptr;
};
