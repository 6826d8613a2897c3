#pragma once

#include "publish/linkaddress.h"
#include "publish/sourcewatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

// Follows items of a source on the session bus: every update of a followed item, in the order
// the source makes them (a hot link). Subscribes by the well-known name, so it waits for a
// source that is not running yet and picks it up again when it restarts.
class ItemFollower : public QObject {
    Q_OBJECT

public:
    explicit ItemFollower(QDBusConnection connection, QObject *parent = nullptr);

    // All addresses name items of one source. False, with lastError(), when the bus refuses.
    bool follow(const QList<LinkAddress> &addresses);
    // Follows the same items on another connection, after the bus was lost and is back; tells
    // whether the source is running there.
    bool rebind(QDBusConnection connection);
    bool isSourceRunning() const;
    QString lastError() const { return m_lastError; }

signals:
    void updated(const QString &item, const QString &value);
    void sourceRunningChanged(bool running);
    // The source's name is owned by a process that is not the reader's program.
    void sourceOwnedByAnother(qint64 pid, const QString &program);

private slots:
    void onPropertiesChanged(const QDBusMessage &message);

private:
    bool subscribe();

    QDBusConnection m_connection;
    SourceWatch *m_source = nullptr;
    QString m_path;
    QString m_service;
    QString m_interface;
    QStringList m_items;
    QString m_lastError;
};
