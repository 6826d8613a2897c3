#pragma once

#include "support/childprocess.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A real mosquitto broker on a free loopback port, with a configuration of its own and a
// persistent store, so that it keeps sessions and retained values across a restart.
class MqttBroker {
public:
    // Extra configuration lines, for example a password file.
    explicit MqttBroker(const QStringList &configuration = {});
    ~MqttBroker();

    bool start();
    // Ends it as an administrator would (it saves its store first).
    void stop();
    // Stops it answering, as a hung host would: what is sent to it from now on stays
    // unacknowledged. stop() still ends it.
    void freeze();
    int port() const { return m_port; }
    QString folder() const { return m_folder.path(); }
    // All it has said so far.
    QString log();
    // Whether `count` subscriptions to `topic` have been taken, over all its runs, within 10 s.
    bool waitForSubscriptions(const QString &topic, int count = 1);

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    QString m_log;
    int m_port = 0;
};

// mosquitto_sub as a separate subscriber process: "topic payload" lines.
class MqttSubscriber : public ChildProcess {
public:
    // `session` non-empty: a persistent session under that client id, which the broker keeps
    // while the subscriber is away.
    MqttSubscriber(int port, const QString &topic, const QString &session = {},
                   const QStringList &extra = {});
};
