#pragma once

#include "common/reading.h"

#include <QByteArray>
#include <QString>

// A reading as one JSON object, the form that pipelines and brokers take: sequence, time
// (RFC 3339, UTC, microseconds), absorbance (a number, or null when there is none), shown,
// marker, wavelength, status, damaged and record.
namespace ReadingJson {

QByteArray object(const Reading &reading);

// Microseconds since the epoch as RFC 3339 in UTC: 2026-12-08T03:10:21.123456Z.
QString utcTime(qint64 microseconds);

} // namespace ReadingJson
