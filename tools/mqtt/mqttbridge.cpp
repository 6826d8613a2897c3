#include "mqttbridge.h"

#include "common/readingjson.h"
#include "publish/itemfollower.h"
#include "publish/readingfollower.h"

#include <QTimer>

namespace {
// How long an ending bridge waits for the broker to take what is left.
constexpr int kDrainLimitMs = 1500;
} // namespace

MqttBridge::MqttBridge(ItemFollower &follower, ReadingFollower &readings, BrokerLink &broker,
                       PublishQueue &queue, QByteArray topicBase, QByteArray readingTopic,
                       QList<PublishQueue::Update> discovery, QTextStream &err, QObject *parent)
    : QObject(parent)
    , m_broker(broker)
    , m_queue(queue)
    , m_topicBase(std::move(topicBase))
    , m_readingTopic(std::move(readingTopic))
    , m_discovery(std::move(discovery))
    , m_err(err)
{
    connect(&follower, &ItemFollower::updated, this, &MqttBridge::onUpdated);
    connect(&readings, &ReadingFollower::received, this, &MqttBridge::onReading);
    connect(&follower, &ItemFollower::sourceRunningChanged, this, [this](bool running) {
        m_err << "zav41k-mqtt: the source "
              << (running ? "is running" : "has stopped; waiting for it") << Qt::endl;
    });
    connect(&broker, &BrokerLink::connected, this, [this] {
        m_connected = true;
        m_lastFailure.clear();
        m_err << "zav41k-mqtt: connected to the broker" << Qt::endl;
        for (const PublishQueue::Update &record : std::as_const(m_discovery))
            m_queue.push(record);
        reportDropped();
        pump();
    });
    connect(&broker, &BrokerLink::disconnected, this, [this](const QString &reason) {
        // Said once per reason, not at every retry.
        if (m_connected)
            m_err << "zav41k-mqtt: lost the broker (" << reason
                  << "); updates wait until it is back" << Qt::endl;
        else if (reason != m_lastFailure)
            m_err << "zav41k-mqtt: cannot reach the broker (" << reason << "); trying again"
                  << Qt::endl;
        m_lastFailure = reason;
        m_connected = false;
    });
    connect(&broker, &BrokerLink::acknowledgementsArrived, this, &MqttBridge::pump);
}

void MqttBridge::onUpdated(const QString &item, const QString &value)
{
    if (m_stopping)
        return;
    m_queue.push({m_topicBase + item.toUtf8(), value.toUtf8()});
    if (m_connected)
        reportDropped();
    pump();
}

void MqttBridge::onReading(const Reading &reading)
{
    if (m_stopping)
        return;
    m_queue.push({m_readingTopic, ReadingJson::object(reading)});
    if (m_connected)
        reportDropped();
    pump();
}

// Hands waiting updates to the client while it is connected and its window has room. The client
// keeps what it holds across a reconnect and sends it again first, so the order stays.
void MqttBridge::pump()
{
    // After the "offline" nothing more is handed over.
    if (m_stopFinished)
        return;
    if (!m_connected) {
        if (m_stopping)
            finishStop(); // nothing can go now
        return;
    }
    for (const int mid : m_broker.takeAcknowledged())
        m_queue.acknowledged(mid);
    while (std::optional<PublishQueue::Update> next = m_queue.takeNext()) {
        QString error;
        const int mid = m_broker.publish(next->topic, next->payload, &error);
        if (mid < 0) {
            // The connection went while we were not looking; the next one takes it.
            m_queue.putBack(std::move(*next));
            return;
        }
        m_queue.handedOver(mid);
    }
    if (m_stopping && m_queue.waiting() == 0 && m_queue.inFlight() == 0) {
        finishStop();
        return;
    }
    // The window is full, or an ending bridge waits for the last: the next acknowledgement
    // makes room or tells.
    if (m_queue.waiting() > 0 || m_stopping)
        m_broker.awaitAcknowledgement();
}

void MqttBridge::stop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    m_err << "zav41k-mqtt: ending" << Qt::endl;
    QTimer::singleShot(kDrainLimitMs, this, &MqttBridge::finishStop);
    pump();
}

void MqttBridge::finishStop()
{
    if (m_stopFinished)
        return;
    m_stopFinished = true;
    // Those handed over go before the "offline" and are confirmed with it; these never left.
    if (const int left = m_queue.waiting(); left > 0)
        m_err << "zav41k-mqtt: ending with " << left << " updates not sent" << Qt::endl;
    m_broker.stop();
}

void MqttBridge::reportDropped()
{
    if (const qint64 dropped = m_queue.takeDropped())
        m_err << "zav41k-mqtt: the queue was full; the " << dropped
              << " oldest updates were dropped" << Qt::endl;
}
