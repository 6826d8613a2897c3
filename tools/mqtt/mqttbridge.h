#pragma once

#include "brokerlink.h"
#include "publishqueue.h"

#include <QObject>
#include <QTextStream>

class ItemFollower;
class ReadingFollower;
struct Reading;

// Carries every update of the followed items to the broker, in order: each item's text to
// <prefix>/<client id>/<topic>/<item>, and each reading as one JSON object to the reading
// topic, all retained, QoS 1. Updates made while the broker is away wait in a bounded queue
// and go out when it is back. Records that describe the topics (discovery) go out again at
// every connection, as a broker may have lost them.
class MqttBridge : public QObject {
    Q_OBJECT

public:
    MqttBridge(ItemFollower &follower, ReadingFollower &readings, BrokerLink &broker,
               PublishQueue &queue, QByteArray topicBase, QByteArray readingTopic,
               QList<PublishQueue::Update> discovery, QTextStream &err, QObject *parent = nullptr);

    // Ends the bridge: the updates taken so far reach the broker first, for 1.5 s at most,
    // then the status says "offline" and the link ends (BrokerLink::stopped). Updates that come
    // after are not taken, so that no value follows the "offline".
    void stop();

private:
    void onUpdated(const QString &item, const QString &value);
    void onReading(const Reading &reading);
    void pump();
    void reportDropped();
    void finishStop();

    BrokerLink &m_broker;
    PublishQueue &m_queue;
    QByteArray m_topicBase;
    QByteArray m_readingTopic;
    QList<PublishQueue::Update> m_discovery;
    QTextStream &m_err;
    bool m_connected = false;
    QString m_lastFailure;
    bool m_stopping = false;
    bool m_stopFinished = false;
};
