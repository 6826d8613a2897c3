#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

struct mosquitto;

// A connection to an MQTT broker through libmosquitto. The library's own thread does the
// network work, connects, and reconnects with a growing delay (1 s doubling up to 30 s);
// its callbacks are passed to this object's thread as signals. Publishing never blocks.
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

    explicit BrokerLink(Settings settings, QObject *parent = nullptr);
    ~BrokerLink() override;

    // Starts connecting; false with a description when the settings cannot be used.
    bool start(QString *error);
    // Publishes retained with QoS 1; the message id, or -1 with a description.
    int publish(const QByteArray &topic, const QByteArray &payload, QString *error);
    // Says "offline" on the status topic and disconnects, then emits stopped().
    void stop();

signals:
    void connected();
    void disconnected(const QString &reason);
    void acknowledged(int mid);
    // The broker refused the connection for a reason that retrying cannot mend.
    void refused(const QString &reason);
    void stopped();

private:
    bool tryConnect(QString *error);
    void finishStop();
    static void onConnect(mosquitto *, void *self, int rc);
    static void onDisconnect(mosquitto *, void *self, int rc);
    static void onPublish(mosquitto *, void *self, int mid);

    Settings m_settings;
    QByteArray m_host;
    int m_retryDelayMs = 1000;
    mosquitto *m_client = nullptr;
    bool m_started = false;
    bool m_stopping = false;
    bool m_stopped = false;
    int m_offlineMid = -1;
};
