#pragma once

#include "clients.h"
#include "lab.h"

// One measurement each; the subject is running and the clients linked.
namespace Measurements {

struct Latency {
    double p50Us = -1;
    double p99Us = -1;
    qsizetype samples = 0;
    qsizetype expected = 0;
};

struct Throughput {
    double recordsPerSecond = -1;
    bool complete = false;
    qint64 peakKb = -1;
};

// Writes marker records until a client has seen one, then lets the line settle.
bool linkUp(Lab &lab, Clients &clients);

// Records at line rate (one ten-character record every 10.4 ms); the time from the last byte
// written to each client receiving the record's last update.
Latency latency(Lab &lab, Clients &clients, int records);

// Records written as fast as the line takes them, until the client has every update.
Throughput throughput(Lab &lab, Clients &clients, int records);

// CPU seconds the subject spends in `seconds` of silence.
double idleCpuSeconds(Lab &lab, int seconds);

// How the line delivers a record: a character at a time, as a UART without a FIFO does (ten
// wake-ups a record, the worst case), or a whole record a write, as a FIFO or a USB adapter's
// batches do.
enum class Pacing { Characters, Records };

// CPU use at line rate, in percent of one core, of the subject or of the process `pid`.
double lineRateCpuPercent(Lab &lab, int seconds, Pacing pacing, qint64 pid = 0);

// Milliseconds from starting the subject to a linked client receiving the first record's last
// update, the record having waited on the line.
double startupMs(Lab &lab, Lab::Subject subject, Clients &clients);

qint64 monotonicNs();
double percentile(std::vector<double> values, double fraction);

} // namespace Measurements
