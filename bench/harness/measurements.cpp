#include "measurements.h"

#include "procstats.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <thread>

namespace {

constexpr qint64 kRecordNs = 10'416'667; // ten characters of ten bits at 9600 baud
constexpr qint64 kCharacterNs = kRecordNs / 10;

QByteArray record(int i)
{
    return QByteArray::number(100 + i % 1800).rightJustified(4, '0') + " 000\r\n";
}

void sleepUntil(qint64 ns)
{
    struct timespec when {
        ns / 1000000000, ns % 1000000000
    };
    ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr);
}

// Runs the event loop (so that client output is read) until `done` or no progress for a while.
void waitFor(const std::function<bool()> &done, const std::function<qsizetype()> &progress,
             int stallMs)
{
    QElapsedTimer stalled;
    stalled.start();
    qsizetype last = progress();
    while (!done() && stalled.elapsed() < stallMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        const qsizetype now = progress();
        if (now != last) {
            last = now;
            stalled.restart();
        }
    }
}

std::vector<qint64> lastUpdateTimes(const std::vector<Clients::Update> &updates)
{
    std::vector<qint64> times;
    for (const Clients::Update &update : updates) {
        if (update.item == "errorcode")
            times.push_back(update.ns);
    }
    return times;
}

} // namespace

namespace Measurements {

qint64 monotonicNs()
{
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(fraction * double(values.size())));
    return values[index];
}

bool linkUp(Lab &lab, Clients &clients)
{
    for (int i = 0; i < 200 && clients.totalUpdates() == 0; ++i) {
        lab.write(record(0));
        waitFor([&] { return clients.totalUpdates() > 0; }, [] { return 0; }, 50);
    }
    waitFor([] { return false; }, [] { return 0; }, 300);
    clients.clear();
    return true;
}

Latency latency(Lab &lab, Clients &clients, int records)
{
    std::vector<qint64> written(static_cast<size_t>(records), 0);
    std::atomic<bool> finished{false};
    std::thread writer([&] {
        qint64 due = monotonicNs() + kRecordNs;
        for (int i = 0; i < records; ++i) {
            sleepUntil(due);
            lab.write(record(i));
            written[size_t(i)] = monotonicNs();
            due += kRecordNs;
        }
        finished = true;
    });
    const qsizetype expected = qsizetype(records) * 3 * clients.count();
    waitFor([&] { return finished && clients.totalUpdates() >= expected; },
            [&] { return clients.totalUpdates(); }, 3000);
    writer.join();

    std::vector<double> latencies;
    for (int c = 0; c < clients.count(); ++c) {
        const std::vector<qint64> received = lastUpdateTimes(clients.updates(c));
        for (size_t i = 0; i < received.size() && i < written.size(); ++i)
            latencies.push_back(double(received[i] - written[i]) / 1000.0);
    }
    clients.clear();
    return {percentile(latencies, 0.50), percentile(latencies, 0.99), qsizetype(latencies.size()),
            qsizetype(records) * clients.count()};
}

Throughput throughput(Lab &lab, Clients &clients, int records)
{
    QByteArray all;
    for (int i = 0; i < records; ++i)
        all += record(i);
    const qint64 start = monotonicNs();
    std::thread writer([&] {
        for (qsizetype offset = 0; offset < all.size(); offset += 4000)
            lab.write(all.mid(offset, 4000));
    });
    const qsizetype expected = qsizetype(records) * 3;
    waitFor([&] { return clients.totalUpdates() >= expected; },
            [&] { return clients.totalUpdates(); }, 5000);
    writer.join();
    Throughput result;
    result.complete = clients.totalUpdates() == expected;
    const std::vector<qint64> received = lastUpdateTimes(clients.updates(0));
    if (!received.empty())
        result.recordsPerSecond = double(received.size()) / (double(received.back() - start) / 1e9);
    result.peakKb = ProcStats::peakResidentKb(lab.pid());
    clients.clear();
    return result;
}

double idleCpuSeconds(Lab &lab, int seconds)
{
    const double before = ProcStats::cpuSeconds(lab.pid());
    waitFor([] { return false; }, [] { return 0; }, seconds * 1000);
    return ProcStats::cpuSeconds(lab.pid()) - before;
}

double lineRateCpuPercent(Lab &lab, int seconds, Pacing pacing, qint64 pid)
{
    if (pid == 0)
        pid = lab.pid();
    const double before = ProcStats::cpuSeconds(pid);
    const int records = int(qint64(seconds) * 1000000000LL / kRecordNs);
    std::atomic<bool> finished{false};
    std::thread writer([&] {
        qint64 due = monotonicNs();
        for (int i = 0; i < records; ++i) {
            const QByteArray bytes = record(i);
            if (pacing == Pacing::Records) {
                sleepUntil(due);
                lab.write(bytes);
            } else {
                for (qsizetype c = 0; c < bytes.size(); ++c) {
                    sleepUntil(due + c * kCharacterNs);
                    lab.write(bytes.mid(c, 1));
                }
            }
            due += kRecordNs;
        }
        finished = true;
    });
    // The event loop runs meanwhile: linked processes' output is read, so none of them waits
    // on a full pipe.
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    writer.join();
    return (ProcStats::cpuSeconds(pid) - before) / seconds * 100.0;
}

double startupMs(Lab &lab, Lab::Subject subject, Clients &clients)
{
    lab.stop();
    lab.flush();
    clients.clear();
    lab.write(record(7));
    const qint64 start = monotonicNs();
    if (!lab.start(subject))
        return -1;
    waitFor([&] { return !lastUpdateTimes(clients.updates(0)).empty(); }, [] { return 0; }, 10000);
    const std::vector<qint64> received = lastUpdateTimes(clients.updates(0));
    return received.empty() ? -1 : double(received.front() - start) / 1e6;
}

} // namespace Measurements
