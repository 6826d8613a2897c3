#include "brokerlink.h"

#include "tlsprobe.h"

#include <QMetaObject>
#include <QTimer>

#include <mosquitto.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr std::chrono::milliseconds kFirstRetry{1000};
constexpr std::chrono::seconds kAnswerTimeout{10};
constexpr std::chrono::milliseconds kLastRetry{30000};

QString describe(int rc)
{
    return rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                : QString::fromUtf8(mosquitto_strerror(rc));
}

// While corked the socket gathers what is written into full segments; uncorked, it sends what
// it holds at once.
void setCorked(int socket, bool corked)
{
    const int value = corked ? 1 : 0;
    if (socket >= 0)
        ::setsockopt(socket, IPPROTO_TCP, TCP_CORK, &value, sizeof value);
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
    // Kept at once: anything the start does later may change errno.
    m_createError = m_client ? 0 : errno;
}

BrokerLink::~BrokerLink()
{
    endThread();
    if (m_client)
        mosquitto_destroy(m_client);
}

bool BrokerLink::start(QString *error)
{
    if (!m_client) {
        *error = QStringLiteral("cannot create an MQTT client: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(m_createError)));
        return false;
    }
    // The network work is done by our own thread, not the caller's.
    mosquitto_threaded_set(m_client, true);
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // Readings are small and each should leave at once, not wait to be merged with the next.
    mosquitto_int_option(m_client, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_max_inflight_messages_set(m_client, kWindow);
    mosquitto_connect_callback_set(m_client, &BrokerLink::onConnect);
    mosquitto_disconnect_callback_set(m_client, &BrokerLink::onDisconnect);
    mosquitto_publish_callback_set(m_client, &BrokerLink::onPublish);

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
    m_thread = std::thread(&BrokerLink::run, this);
    return true;
}

// The client's thread: connect, serve the connection, and after any failure try again later.
// A connection that the broker had accepted reports its end through onDisconnect; failures
// before that are reported here. Ends when endThread() asks.
void BrokerLink::run()
{
    std::chrono::milliseconds delay = kFirstRetry;
    bool attemptedBefore = false;
    while (!m_ending) {
        m_sessionUp = false;
        int rc = attemptedBefore ? mosquitto_reconnect(m_client)
                                 : mosquitto_connect(m_client, m_host.constData(), m_settings.port,
                                                     kKeepAliveSeconds);
        attemptedBefore = true;
        // A broker that takes the connection must answer it; one that stays silent is left.
        const auto connectedAt = std::chrono::steady_clock::now();
        bool unanswered = false;
        while (!m_ending && rc == MOSQ_ERR_SUCCESS) {
            // What one pass writes leaves as one segment, sent as the pass ends: a record's four
            // publications went out as four, and the line-rate traffic with the broker took
            // nearly twice the segments.
            const int socket = mosquitto_socket(m_client);
            setCorked(socket, true);
            rc = mosquitto_loop(m_client, 500, 1);
            if (mosquitto_socket(m_client) == socket) // not closed in the pass, nor reused
                setCorked(socket, false);
            if (m_sessionToAnnounce.exchange(false))
                announceSession();
            if (!m_sessionUp && rc == MOSQ_ERR_SUCCESS &&
                std::chrono::steady_clock::now() - connectedAt >= kAnswerTimeout) {
                unanswered = true;
                mosquitto_disconnect(m_client);
                break;
            }
        }
        // A refusal for good has been said once; nothing is tried or said after it.
        if (m_ending || m_refused)
            break;
        if (m_sessionUp) {
            delay = kFirstRetry;
        } else {
            const QString reason =
                unanswered ? QStringLiteral("it took the connection but did not answer within %1 s")
                                 .arg(std::chrono::seconds(kAnswerTimeout).count())
                           : describeFailure(rc);
            QMetaObject::invokeMethod(
                this,
                [this, reason] {
                    if (!m_stopping)
                        emit disconnected(reason);
                },
                Qt::QueuedConnection);
        }
        waitBeforeRetry(delay);
        delay = std::min(delay * 2, kLastRetry);
    }
}

// The library says only that TLS failed; OpenSSL, asked directly, says why.
QString BrokerLink::describeFailure(int rc) const
{
    if (rc != MOSQ_ERR_TLS)
        return describe(rc);
    const QString why = TlsProbe::handshake(m_settings.host, m_settings.port, m_settings.caFile,
                                            m_settings.certFile, m_settings.keyFile,
                                            int(std::chrono::milliseconds(kAnswerTimeout).count()));
    return why.isEmpty() ? describe(rc) : why;
}

void BrokerLink::waitBeforeRetry(std::chrono::milliseconds delay)
{
    std::unique_lock<std::mutex> guard(m_lock);
    m_wake.wait_for(guard, delay, [this] { return m_ending.load(); });
}

void BrokerLink::endThread()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_ending = true;
    }
    m_wake.notify_all();
    m_thread.join();
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

std::vector<int> BrokerLink::takeAcknowledged()
{
    std::vector<int> acknowledged;
    {
        std::lock_guard<std::mutex> guard(m_ackLock);
        acknowledged.swap(m_acknowledged);
    }
    finishStopOnOfflineAcknowledged(acknowledged);
    return acknowledged;
}

void BrokerLink::awaitAcknowledgement()
{
    bool arrived = false;
    {
        std::lock_guard<std::mutex> guard(m_ackLock);
        arrived = !m_acknowledged.empty();
        m_ackAwaited = !arrived;
    }
    if (arrived)
        postAcknowledgements();
}

void BrokerLink::postAcknowledgements()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_stopping) {
                // Looked for here too: the bridge takes them only while it has updates.
                std::lock_guard<std::mutex> guard(m_ackLock);
                finishStopOnOfflineAcknowledged(m_acknowledged);
            }
            emit acknowledgementsArrived();
        },
        Qt::QueuedConnection);
}

void BrokerLink::finishStopOnOfflineAcknowledged(const std::vector<int> &acknowledged)
{
    if (m_stopping && m_offlineMid >= 0 &&
        std::find(acknowledged.begin(), acknowledged.end(), m_offlineMid) != acknowledged.end())
        QMetaObject::invokeMethod(this, &BrokerLink::finishStop, Qt::QueuedConnection);
}

void BrokerLink::stop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    if (!m_thread.joinable()) {
        emit stopped();
        return;
    }
    if (!m_sessionUp) {
        finishStop(); // nobody to say goodbye to
        return;
    }
    QString error;
    m_offlineMid = publish(m_settings.statusTopic, QByteArrayLiteral("offline"), &error);
    // Told of every acknowledgement from now on, so that the goodbye's ends the stop at once;
    // it may be in already.
    {
        std::lock_guard<std::mutex> guard(m_ackLock);
        m_ackEvery = true;
    }
    postAcknowledgements();
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
    // Lets the thread send the goodbye before it ends.
    QTimer::singleShot(100, this, [this] {
        endThread();
        emit stopped();
    });
}

void BrokerLink::onConnect(mosquitto *, void *self, int rc)
{
    auto *link = static_cast<BrokerLink *>(self);
    if (rc == 0) {
        link->m_sessionUp = true;
        // Said by run() once the loop returns: only after this callback does the library send
        // again what the last connection left unacknowledged, and an update published before
        // that would overtake those.
        link->m_sessionToAnnounce = true;
        return;
    }
    QString reason = QString::fromUtf8(mosquitto_connack_string(rc));
    if (rc == 4 || rc == 5)
        reason += QStringLiteral(" (check the user name and the password file)");
    // Before the broker closes the connection, so that its closing is not taken for a loss.
    if (isFinalRefusal(rc))
        link->m_refused = true;
    QMetaObject::invokeMethod(
        link,
        [link, reason, rc] {
            if (isFinalRefusal(rc))
                emit link->refused(reason);
            else if (!link->m_stopping)
                emit link->disconnected(reason);
        },
        Qt::QueuedConnection);
}

void BrokerLink::announceSession()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            QString error;
            (void)publish(m_settings.statusTopic, QByteArrayLiteral("online"), &error);
            emit connected();
        },
        Qt::QueuedConnection);
}

void BrokerLink::onDisconnect(mosquitto *, void *self, int rc)
{
    auto *link = static_cast<BrokerLink *>(self);
    if (link->m_refused)
        return;
    // A session that ends in the loop call that began it is said before its end.
    if (link->m_sessionToAnnounce.exchange(false))
        link->announceSession();
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
    bool awaited = false;
    {
        std::lock_guard<std::mutex> guard(link->m_ackLock);
        link->m_acknowledged.push_back(mid);
        awaited = std::exchange(link->m_ackAwaited, false) || link->m_ackEvery;
    }
    if (awaited)
        link->postAcknowledgements();
}
