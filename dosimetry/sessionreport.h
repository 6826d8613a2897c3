#pragma once

#include "record/sessionsummary.h"

#include "common/outcome.h"

// A session's report as PDF, in the user's language: the lab's heading, what the session was
// measured with, the calibration and the day's check its doses rest on, one row per dosimeter,
// the signatures, and page numbers.
namespace SessionReport {

Status write(const SessionSummary &summary, const QString &heading, const QString &path);

} // namespace SessionReport
