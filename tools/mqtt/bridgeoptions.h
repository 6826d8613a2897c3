#pragma once

#include "brokerlink.h"

#include "common/outcome.h"

#include <QStringList>

// What the command line asks of the bridge.
struct BridgeOptions {
    BrokerLink::Settings broker;
    QString prefix;             // the first level of every topic
    QByteArray topicBase;       // <prefix>/<client id>/<topic>/, items follow
    QByteArray statusTopic;     // <prefix>/<client id>/status
    QByteArray readingTopic;    // <prefix>/<client id>/reading, one JSON object per reading
    bool homeAssistant = false; // publish discovery records under homeassistant/
    int queueBound = 100000;

    // From the program's arguments; a failure describes the first bad option.
    static Outcome<BridgeOptions> parse(const QStringList &arguments);
};
