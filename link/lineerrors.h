#pragma once

#include "link/ttydevice.h"

#include <QList>

namespace LineErrors {

// The events that the driver's error counts since the last read raise, one per kind of error
// and in the order the alert weighs them: overrun, buffer overflow, parity, framing, break.
QList<qint16> events(const TtyDevice::ErrorCounts &counts);

} // namespace LineErrors
