#pragma once

#include "common/reading.h"
#include "publish/sourcewatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

// Follows the readings of the program's source on the session bus, one by one as the source
// makes them. Subscribes by the well-known name, so it waits for a source that is not running
// yet and picks it up again when it restarts.
class ReadingFollower : public QObject {
    Q_OBJECT

public:
    explicit ReadingFollower(QDBusConnection connection, QObject *parent = nullptr);

    // False, with lastError(), when the bus refuses.
    bool follow();
    // Follows on another connection, after the bus was lost and is back.
    bool rebind(QDBusConnection connection);
    bool isSourceRunning() const;
    QString lastError() const { return m_lastError; }

signals:
    void received(const Reading &reading);
    void sourceRunningChanged(bool running);
    // The source's name is owned by a process that is not the reader's program.
    void sourceOwnedByAnother(qint64 pid, const QString &program);
    // A signal under the readings' name that does not fit their interface.
    void refused(const QString &why);

private slots:
    void onReading(const QDBusMessage &message);

private:
    bool subscribe();

    QDBusConnection m_connection;
    SourceWatch m_source;
    QString m_lastError;
};
