#pragma once

#include "brokerlink.h"
#include "publishqueue.h"

#include <QObject>
#include <QTextStream>

class ItemFollower;

// Carries every update of the followed items to the broker, in order: each item's text to
// <prefix>/<client id>/<topic>/<item>, retained, QoS 1. Updates made while the broker is away
// wait in a bounded queue and go out when it is back.
class MqttBridge : public QObject {
    Q_OBJECT

public:
    MqttBridge(ItemFollower &follower, BrokerLink &broker, PublishQueue &queue,
               QByteArray topicBase, QTextStream &err, QObject *parent = nullptr);

private:
    void onUpdated(const QString &item, const QString &value);
    void pump();
    void reportDropped();

    BrokerLink &m_broker;
    PublishQueue &m_queue;
    QByteArray m_topicBase;
    QTextStream &m_err;
    bool m_connected = false;
    QString m_lastFailure;
};
