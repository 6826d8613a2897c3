#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

// A connection to the session bus that outlives the bus: when the bus daemon goes away (a
// session manager restarting it), this says so once on standard error and tries again once a
// second, on the same address, until the bus is back. Every connection made, the first one
// included, is announced with connected(); whoever publishes or subscribes does so again there.
class SessionBus : public QObject {
    Q_OBJECT

public:
    enum class Losses { Said, Unsaid };

    // `program` starts the lines on standard error ("zav41k: ..."); a second connection of the
    // same program leaves them Unsaid. The bus is the one that DBUS_SESSION_BUS_ADDRESS names
    // when this is made.
    explicit SessionBus(QString program, Losses losses = Losses::Said, QObject *parent = nullptr);
    ~SessionBus() override;

    // Connects now; false when there is no bus yet (the tries go on all the same).
    bool start();
    bool isConnected() const;
    QDBusConnection connection() const;
    QString lastError() const { return m_lastError; }

    static constexpr int kRetryIntervalMs = 1000;

signals:
    void connected(const QDBusConnection &connection);

private:
    bool tryConnect();
    void check();
    void say(const QString &line) const;

    QString m_program;
    QString m_connectionPrefix;
    Losses m_losses;
    QString m_address; // of the session bus, as the environment gives it
    QString m_name;    // of the current connection; empty for none
    int m_attempts = 0;
    bool m_everConnected = false;
    bool m_lossReported = false;
    QString m_lastError;
    QTimer m_timer;
};
