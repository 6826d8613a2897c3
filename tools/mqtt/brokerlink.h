#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

struct mosquitto;

// A connection to an MQTT broker through libmosquitto. A thread of its own does the network
// work: it connects, and after any failure (a refused connection, a host that does not
// resolve, a broken TLS handshake, a lost link) says why and tries again, one second later at
// first and up to 30 s apart. What it learns reaches this object's thread as signals.
// Publishing only queues, so it never blocks.
class BrokerLink : public QObject {
    Q_OBJECT

public:
    struct Settings {
        QString host = QStringLiteral("localhost");
        int port = 1883;
        QString clientId;
        QString username;
        QString password;
        QString caFile;
        QString certFile;
        QString keyFile;
        QByteArray statusTopic;
    };

    // At most this many updates are handed to the client unacknowledged. The client itself
    // takes as many in flight, so that it never holds one back in a queue of its own: after a
    // reconnect it sends again what it holds in the order it was given, and nothing overtakes.
    static constexpr int kWindow = 64;

    explicit BrokerLink(Settings settings, QObject *parent = nullptr);
    ~BrokerLink() override;

    // Starts connecting; false with a description when the settings cannot be used.
    bool start(QString *error);
    // Publishes retained with QoS 1; the message id, or -1 with a description.
    int publish(const QByteArray &topic, const QByteArray &payload, QString *error);
    // The messages the broker has acknowledged since the last call. They gather on the client's
    // thread without waking this one, since a record's four would wake it four times; after
    // awaitAcknowledgement() the next one emits acknowledgementsArrived().
    std::vector<int> takeAcknowledged();
    void awaitAcknowledgement();
    // Says "offline" on the status topic and disconnects, then emits stopped().
    void stop();

signals:
    void connected();
    void disconnected(const QString &reason);
    void acknowledgementsArrived();
    // The broker refused the connection for a reason that retrying cannot mend.
    void refused(const QString &reason);
    void stopped();

private:
    void run();
    QString describeFailure(int rc) const;
    void waitBeforeRetry(std::chrono::milliseconds delay);
    void finishStop();
    void endThread();
    void postAcknowledgements();
    void announceSession();
    void finishStopOnOfflineAcknowledged(const std::vector<int> &acknowledged);
    static void onConnect(mosquitto *, void *self, int rc);
    static void onDisconnect(mosquitto *, void *self, int rc);
    static void onPublish(mosquitto *, void *self, int mid);

    Settings m_settings;
    QByteArray m_host;
    mosquitto *m_client = nullptr;
    int m_createError = 0;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::atomic<bool> m_ending{false};
    std::atomic<bool> m_sessionUp{false};
    std::atomic<bool> m_sessionToAnnounce{false}; // accepted, not yet said to the bridge
    std::atomic<bool> m_refused{false};
    std::mutex m_ackLock;
    std::vector<int> m_acknowledged; // guarded by m_ackLock
    bool m_ackAwaited = false;       // guarded by m_ackLock
    bool m_ackEvery = false;         // guarded by m_ackLock: while stopping
    bool m_stopping = false;
    bool m_stopped = false;
    int m_offlineMid = -1;
};
