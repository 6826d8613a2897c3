#pragma once

#include "capture/capture.h"

#include <QJsonObject>

// A capture as the record and `capture --json` write it.
namespace CaptureJson {

QJsonObject toJson(const Capture &capture);
Capture fromJson(const QJsonObject &object);

} // namespace CaptureJson
