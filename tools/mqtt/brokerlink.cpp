#include "brokerlink.h"

#include <QMetaObject>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <mosquitto.h>

namespace {

constexpr int kKeepAliveSeconds = 30;

QString describe(int rc)
{
    return rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(strerror(errno))
                                : QString::fromUtf8(mosquitto_strerror(rc));
}

// Connection refusals that a retry with the same settings cannot mend.
bool isFinalRefusal(int rc)
{
    return rc == 1 /* protocol version */ || rc == 2 /* client id */ ||
           rc == 4 /* user name or password */ || rc == 5 /* not authorised */;
}

struct LibraryUse {
    LibraryUse() { mosquitto_lib_init(); }
    ~LibraryUse() { mosquitto_lib_cleanup(); }
};

} // namespace

BrokerLink::BrokerLink(Settings settings, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
{
    static LibraryUse library;
    const QByteArray id = m_settings.clientId.toUtf8();
    m_client = mosquitto_new(id.constData(), true, this);
}

BrokerLink::~BrokerLink()
{
    if (m_client) {
        if (m_started) {
            mosquitto_disconnect(m_client);
            mosquitto_loop_stop(m_client, false);
        }
        mosquitto_destroy(m_client);
    }
}

bool BrokerLink::start(QString *error)
{
    if (!m_client) {
        *error = QStringLiteral("cannot create an MQTT client: %1").arg(describe(MOSQ_ERR_ERRNO));
        return false;
    }
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_client, &BrokerLink::onConnect);
    mosquitto_disconnect_callback_set(m_client, &BrokerLink::onDisconnect);
    mosquitto_publish_callback_set(m_client, &BrokerLink::onPublish);
    mosquitto_reconnect_delay_set(m_client, 1, 30, true);

    static const char offline[] = "offline";
    int rc = mosquitto_will_set(m_client, m_settings.statusTopic.constData(),
                                int(sizeof offline - 1), offline, 1, true);
    if (rc == MOSQ_ERR_SUCCESS && !m_settings.username.isEmpty()) {
        rc = mosquitto_username_pw_set(
            m_client, m_settings.username.toUtf8().constData(),
            m_settings.password.isNull() ? nullptr : m_settings.password.toUtf8().constData());
    }
    if (rc == MOSQ_ERR_SUCCESS && !m_settings.caFile.isEmpty()) {
        const QByteArray ca = m_settings.caFile.toLocal8Bit();
        const QByteArray cert = m_settings.certFile.toLocal8Bit();
        const QByteArray key = m_settings.keyFile.toLocal8Bit();
        rc = mosquitto_tls_set(m_client, ca.constData(), nullptr,
                               cert.isEmpty() ? nullptr : cert.constData(),
                               key.isEmpty() ? nullptr : key.constData(), nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = describe(rc);
        return false;
    }

    m_host = m_settings.host.toUtf8();
    return tryConnect(error);
}

// A broker that is not there yet is no error: the attempt is repeated, one second later at
// first and up to 30 s apart. Once a connection is under way, the client's thread keeps it.
bool BrokerLink::tryConnect(QString *error)
{
    const int rc =
        mosquitto_connect_async(m_client, m_host.constData(), m_settings.port, kKeepAliveSeconds);
    if (rc == MOSQ_ERR_INVAL) {
        *error = QStringLiteral("invalid broker address %1:%2")
                     .arg(m_settings.host)
                     .arg(m_settings.port);
        return false;
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        emit disconnected(describe(rc));
        QTimer::singleShot(m_retryDelayMs, this, [this] {
            QString ignored;
            if (!m_stopping)
                (void)tryConnect(&ignored);
        });
        m_retryDelayMs = qMin(m_retryDelayMs * 2, 30000);
        return true;
    }
    const int loop = mosquitto_loop_start(m_client);
    if (loop != MOSQ_ERR_SUCCESS) {
        *error = describe(loop);
        return false;
    }
    m_started = true;
    return true;
}

int BrokerLink::publish(const QByteArray &topic, const QByteArray &payload, QString *error)
{
    int mid = 0;
    const int rc = mosquitto_publish(m_client, &mid, topic.constData(), int(payload.size()),
                                     payload.constData(), 1, true);
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = describe(rc);
        return -1;
    }
    return mid;
}

void BrokerLink::stop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    if (!m_started) {
        emit stopped();
        return;
    }
    QString error;
    m_offlineMid = publish(m_settings.statusTopic, QByteArrayLiteral("offline"), &error);
    // A broker that is away or slow to answer holds the exit up for two seconds at most; the
    // broker says "offline" by itself then, since the connection ends without a goodbye.
    QTimer::singleShot(2000, this, &BrokerLink::finishStop);
}

void BrokerLink::finishStop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    mosquitto_disconnect(m_client);
    emit stopped();
}

void BrokerLink::onConnect(mosquitto *, void *self, int rc)
{
    auto *link = static_cast<BrokerLink *>(self);
    if (rc == 0) {
        QMetaObject::invokeMethod(
            link,
            [link] {
                QString error;
                (void)link->publish(link->m_settings.statusTopic, QByteArrayLiteral("online"),
                                    &error);
                emit link->connected();
            },
            Qt::QueuedConnection);
        return;
    }
    QString reason = QString::fromUtf8(mosquitto_connack_string(rc));
    if (rc == 4 || rc == 5)
        reason += QStringLiteral(" (check the user name and the password file)");
    QMetaObject::invokeMethod(
        link,
        [link, reason, rc] {
            if (isFinalRefusal(rc))
                emit link->refused(reason);
            else
                emit link->disconnected(reason);
        },
        Qt::QueuedConnection);
}

void BrokerLink::onDisconnect(mosquitto *, void *self, int rc)
{
    auto *link = static_cast<BrokerLink *>(self);
    const QString reason = rc == 0 ? QStringLiteral("disconnected") : describe(rc);
    QMetaObject::invokeMethod(
        link,
        [link, reason] {
            if (!link->m_stopping)
                emit link->disconnected(reason);
        },
        Qt::QueuedConnection);
}

void BrokerLink::onPublish(mosquitto *, void *self, int mid)
{
    auto *link = static_cast<BrokerLink *>(self);
    QMetaObject::invokeMethod(
        link,
        [link, mid] {
            emit link->acknowledged(mid);
            if (link->m_stopping && link->m_offlineMid == mid)
                link->finishStop();
        },
        Qt::QueuedConnection);
}
