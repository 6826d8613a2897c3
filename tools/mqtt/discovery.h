#pragma once

#include "bridgeoptions.h"
#include "publishqueue.h"

#include <QList>

// Home Assistant's MQTT discovery records for the reader: one device with sensors for the
// absorbance, the wavelength and the status, all read from the reading topic, available while
// the bridge's status topic says "online". Retained, so that a dashboard started later finds
// them.
namespace Discovery {

inline constexpr char kPrefix[] = "homeassistant";

QList<PublishQueue::Update> homeAssistant(const BridgeOptions &options);

} // namespace Discovery
