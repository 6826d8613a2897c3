#pragma once

#include <QtGlobal>

// What the kernel counts for a process.
namespace ProcStats {

// User and system CPU time so far, in seconds.
double cpuSeconds(qint64 pid);
// Resident memory now, and its peak so far, in kilobytes.
qint64 residentKb(qint64 pid);
qint64 peakResidentKb(qint64 pid);
int openDescriptors(qint64 pid);

} // namespace ProcStats
