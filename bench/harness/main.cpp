// zav41k-bench: measures the program against the bare pipeline and prints one table.
//   zav41k-bench [--quick] [--baseline EARLIER] PROGRAM BARE CLIENT
// With --baseline, the CPU at line rate of an earlier build of the program is measured too, in
// rounds that alternate with the program's, so that both meet the same machine.

#include "clients.h"
#include "lab.h"
#include "linked.h"
#include "measurements.h"
#include "procstats.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <map>
#include <tuple>
#include <unistd.h>

namespace {

struct Settings {
    int latencyRecords;
    int manyClients;
    int throughputRecords;
    int idleSeconds;
    int lineRateSeconds;
    int startupRuns;
    // Dropping the page cache writes back every dirty page and makes whatever runs next read
    // from disk again: worth it for a cold start-up figure, not for a smoke run.
    bool dropCaches;
    // Above 0, the CPU at line rate of the program and the bare pipeline is the median of this
    // many rounds that alternate between them, each of lineRateSeconds.
    int lineRateRounds;
    // Each linked program's CPU at line rate is measured over this long.
    int linkedSeconds;
    // Above 0, the one-client latency and the throughput of the program and the bare pipeline
    // are the medians of this many rounds that alternate between them.
    int speedRounds;
};

struct Figures {
    Measurements::Latency latency;
    Measurements::Latency latencyMany;
    Measurements::Throughput throughput;
    double idleCpu = -1;
    double lineRateCpu = -1;        // a character a write
    double lineRateCpuRecords = -1; // a whole record a write
    qint64 idleKb = -1;
    qint64 afterKb = -1;
    double startupCold = -1;
    double startupWarm = -1;
    bool coldCaches = false;
};

bool dropCaches()
{
    ::sync();
    QFile control(QStringLiteral("/proc/sys/vm/drop_caches"));
    return control.open(QIODevice::WriteOnly) && control.write("3\n") == 2;
}

Figures measure(Lab::Subject subject, const QStringList &paths, const Settings &s)
{
    using namespace Measurements;
    Figures f;
    Lab lab(paths.at(0), paths.at(1));
    {
        Clients one(paths.at(2), 1);
        one.waitReady(10000);
        // Without the program nothing would read the line, and the writer would wait forever.
        if (!lab.start(subject))
            qFatal("the program under test did not start");
        linkUp(lab, one);
        f.latency = latency(lab, one, s.latencyRecords);
        f.idleKb = ProcStats::residentKb(lab.pid());
        f.throughput = throughput(lab, one, s.throughputRecords);

        for (int i = 0; i < 30; ++i)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        f.afterKb = ProcStats::residentKb(lab.pid());
    }
    {
        Clients many(paths.at(2), s.manyClients);
        many.waitReady(30000);
        linkUp(lab, many);
        f.latencyMany = latency(lab, many, s.latencyRecords);
    }
    f.idleCpu = idleCpuSeconds(lab, s.idleSeconds) * 60.0 / s.idleSeconds;
    if (s.lineRateRounds == 0) {
        f.lineRateCpu = lineRateCpuPercent(lab, s.lineRateSeconds, Pacing::Characters);
        f.lineRateCpuRecords = lineRateCpuPercent(lab, s.lineRateSeconds, Pacing::Records);
    }

    Clients watcher(paths.at(2), 1);
    watcher.waitReady(10000);
    std::vector<double> cold;
    std::vector<double> warm;
    for (int i = 0; i < s.startupRuns; ++i) {
        f.coldCaches = s.dropCaches && dropCaches();
        cold.push_back(startupMs(lab, subject, watcher));
        warm.push_back(startupMs(lab, subject, watcher));
    }
    f.startupCold = percentile(cold, 0.5);
    f.startupWarm = percentile(warm, 0.5);
    lab.stop();
    return f;
}

// One subject of a comparison: a program's path and whether it runs as the program or the bare
// pipeline.
struct Runner {
    QString program;
    Lab::Subject subject;
};

// Runs `measure` on `runner` started afresh, with one linked client.
void withOneClient(const Runner &runner, const QStringList &paths,
                   const std::function<void(Lab &, Clients &)> &measure)
{
    Lab lab(runner.program, paths.at(1));
    Clients one(paths.at(2), 1);
    one.waitReady(10000);
    // Without the subject nothing would read the line, and the writer would wait forever.
    if (!lab.start(runner.subject))
        qFatal("%s did not start", qPrintable(runner.program));
    Measurements::linkUp(lab, one);
    measure(lab, one);
    lab.stop();
}

// Measures `first` (0) and `second` (1) in `rounds` rounds that alternate between them, so
// that both meet the same machine: on a shared machine a figure drifts by more over minutes
// than a ratio's margin.
void alternate(const Runner &first, const Runner &second, const QStringList &paths, int rounds,
               const std::function<void(int which, Lab &, Clients &)> &measure)
{
    for (int round = 0; round < rounds; ++round) {
        for (const int which : {1, 0})
            withOneClient(which == 0 ? first : second, paths,
                          [&](Lab &lab, Clients &one) { measure(which, lab, one); });
    }
}

// The median CPU at line rate of `first` and of `second`, in alternate rounds.
std::pair<double, double> alternateLineRate(const Runner &first, const Runner &second,
                                            const QStringList &paths, const Settings &s, int rounds,
                                            Measurements::Pacing pacing)
{
    std::vector<double> cpu[2];
    alternate(first, second, paths, rounds, [&](int which, Lab &lab, Clients &) {
        cpu[which].push_back(Measurements::lineRateCpuPercent(lab, s.lineRateSeconds, pacing));
    });
    return {Measurements::percentile(cpu[0], 0.5), Measurements::percentile(cpu[1], 0.5)};
}

// One client's latency and the throughput, as medians of alternate rounds: in single runs both
// move by more than the goals' margins.
struct Speed {
    double p50Us = -1;
    double p99Us = -1;
    double recordsPerSecond = -1;
    bool complete = true; // every update of every round received
};

std::pair<Speed, Speed> alternateSpeed(const Runner &first, const Runner &second,
                                       const QStringList &paths, const Settings &s)
{
    std::vector<double> p50[2], p99[2], rate[2];
    Speed speed[2];
    alternate(first, second, paths, s.speedRounds, [&](int which, Lab &lab, Clients &one) {
        const Measurements::Latency latency = Measurements::latency(lab, one, s.latencyRecords);
        const Measurements::Throughput throughput =
            Measurements::throughput(lab, one, s.throughputRecords);
        p50[which].push_back(latency.p50Us);
        p99[which].push_back(latency.p99Us);
        rate[which].push_back(throughput.recordsPerSecond);
        speed[which].complete =
            speed[which].complete && throughput.complete && latency.samples == latency.expected;
    });
    for (const int which : {0, 1}) {
        speed[which].p50Us = Measurements::percentile(p50[which], 0.5);
        speed[which].p99Us = Measurements::percentile(p99[which], 0.5);
        speed[which].recordsPerSecond = Measurements::percentile(rate[which], 0.5);
    }
    return {speed[0], speed[1]};
}

QString number(double value, int decimals)
{
    return value < 0 ? QStringLiteral("-") : QString::number(value, 'f', decimals);
}

QString ratio(double program, double bare)
{
    return program < 0 || bare <= 0 ? QStringLiteral("-") : QString::number(program / bare, 'f', 2);
}

QString machine()
{
    QFile cpu(QStringLiteral("/proc/cpuinfo"));
    QString model;
    if (cpu.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : cpu.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                model = QString::fromLatin1(line).section(u':', 1).trimmed();
                break;
            }
        }
    }
    QFile version(QStringLiteral("/proc/sys/kernel/osrelease"));
    version.open(QIODevice::ReadOnly);
    return QStringLiteral("%1, %2 cores, Linux %3")
        .arg(model)
        .arg(sysconf(_SC_NPROCESSORS_ONLN))
        .arg(QString::fromLatin1(version.readAll().trimmed()));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool quick = arguments.removeAll(QStringLiteral("--quick")) > 0;
    QString earlier;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--baseline"));
        at >= 0 && at + 1 < arguments.size()) {
        earlier = arguments.takeAt(at + 1);
        arguments.removeAt(at);
    }
    if (arguments.size() != 3) {
        std::fprintf(stderr,
                     "usage: zav41k-bench [--quick] [--baseline EARLIER] PROGRAM BARE CLIENT\n");
        return 2;
    }
    const Settings settings = quick ? Settings{200, 5, 5000, 2, 2, 2, false, 0, 1, 0}
                                    : Settings{2000, 50, 100000, 60, 20, 10, true, 3, 30, 3};
    Figures program = measure(Lab::Subject::Program, arguments, settings);
    Figures bare = measure(Lab::Subject::Bare, arguments, settings);
    if (settings.lineRateRounds > 0) {
        const Runner programRunner{arguments.at(0), Lab::Subject::Program};
        const Runner bareRunner{arguments.at(1), Lab::Subject::Bare};
        std::tie(program.lineRateCpu, bare.lineRateCpu) =
            alternateLineRate(programRunner, bareRunner, arguments, settings,
                              settings.lineRateRounds, Measurements::Pacing::Characters);
        std::tie(program.lineRateCpuRecords, bare.lineRateCpuRecords) =
            alternateLineRate(programRunner, bareRunner, arguments, settings,
                              settings.lineRateRounds, Measurements::Pacing::Records);
    }
    if (settings.speedRounds > 0) {
        const auto [ours, theirs] =
            alternateSpeed({arguments.at(0), Lab::Subject::Program},
                           {arguments.at(1), Lab::Subject::Bare}, arguments, settings);
        for (const auto &[figures, speed] : {std::pair{&program, ours}, std::pair{&bare, theirs}}) {
            figures->latency.p50Us = speed.p50Us;
            figures->latency.p99Us = speed.p99Us;
            figures->throughput.recordsPerSecond = speed.recordsPerSecond;
            figures->throughput.complete = figures->throughput.complete && speed.complete;
        }
    }
    QList<Linked::Figure> linked;
    withOneClient({arguments.at(0), Lab::Subject::Program}, arguments, [&](Lab &lab, Clients &) {
        linked = Linked::lineRate(lab, QFileInfo(arguments.at(0)).absolutePath(),
                                  settings.linkedSeconds);
    });

    QTextStream out(stdout);
    out << "Machine: " << machine() << "\n";
    out << (quick ? "Quick run: figures are indicative, goals are not checked.\n" : "") << "\n";
    out << "| figure | program | bare pipeline | ratio | goal | met |\n";
    out << "|---|---|---|---|---|---|\n";
    bool allMet = true;
    auto row = [&](const QString &figure, double p, double b, int decimals, const QString &goal,
                   bool met) {
        allMet = allMet && met;
        out << "| " << figure << " | " << number(p, decimals) << " | " << number(b, decimals)
            << " | " << ratio(p, b) << " | " << goal << " | "
            << (quick ? QStringLiteral("-")
                : met ? QStringLiteral("yes")
                      : QStringLiteral("NO"))
            << " |\n";
    };
    const auto &pl = program.latency;
    const auto within = [](double p, double b, double most) {
        return p >= 0 && b > 0 && p <= most * b;
    };
    row(QStringLiteral("latency p50, 1 client (µs)"), pl.p50Us, bare.latency.p50Us, 0,
        QStringLiteral("≤ 1.05 × bare"), within(pl.p50Us, bare.latency.p50Us, 1.05));
    row(QStringLiteral("latency p99, 1 client (µs)"), pl.p99Us, bare.latency.p99Us, 0,
        QStringLiteral("≤ 1.3 × bare"), within(pl.p99Us, bare.latency.p99Us, 1.3));
    row(QStringLiteral("latency p50, %1 clients (µs)").arg(settings.manyClients),
        program.latencyMany.p50Us, bare.latencyMany.p50Us, 0, QStringLiteral("-"), true);
    row(QStringLiteral("latency p99, %1 clients (µs)").arg(settings.manyClients),
        program.latencyMany.p99Us, bare.latencyMany.p99Us, 0, QStringLiteral("-"), true);
    row(QStringLiteral("updates received, latency runs (%)"),
        100.0 * double(pl.samples + program.latencyMany.samples) /
            double(pl.expected + program.latencyMany.expected),
        100.0 * double(bare.latency.samples + bare.latencyMany.samples) /
            double(bare.latency.expected + bare.latencyMany.expected),
        1, QStringLiteral("100"),
        pl.samples == pl.expected && program.latencyMany.samples == program.latencyMany.expected);
    row(QStringLiteral("throughput, %1 records (records/s)").arg(settings.throughputRecords),
        program.throughput.recordsPerSecond, bare.throughput.recordsPerSecond, 0,
        QStringLiteral("≥ 0.95 × bare, none lost"),
        program.throughput.complete && within(bare.throughput.recordsPerSecond,
                                              program.throughput.recordsPerSecond, 1 / 0.95));
    row(QStringLiteral("idle CPU (s per minute)"), program.idleCpu, bare.idleCpu, 3,
        QStringLiteral("< 0.1"), program.idleCpu >= 0 && program.idleCpu < 0.1);
    row(QStringLiteral("CPU at line rate, a character a write (%)"), program.lineRateCpu,
        bare.lineRateCpu, 2, QStringLiteral("≤ 1.05 × bare"),
        within(program.lineRateCpu, bare.lineRateCpu, 1.05));
    row(QStringLiteral("CPU at line rate, a record a write (%)"), program.lineRateCpuRecords,
        bare.lineRateCpuRecords, 2, QStringLiteral("≤ 1.05 × bare, < 1.5"),
        within(program.lineRateCpuRecords, bare.lineRateCpuRecords, 1.05) &&
            program.lineRateCpuRecords < 1.5);
    row(QStringLiteral("resident memory, idle (MB)"), program.idleKb / 1024.0, bare.idleKb / 1024.0,
        1, QStringLiteral("-"), true);
    row(QStringLiteral("peak resident memory (MB)"), program.throughput.peakKb / 1024.0,
        bare.throughput.peakKb / 1024.0, 1, QStringLiteral("< 40"),
        program.throughput.peakKb >= 0 && program.throughput.peakKb < 40 * 1024);
    row(QStringLiteral("resident memory after the run (MB)"), program.afterKb / 1024.0,
        bare.afterKb / 1024.0, 1, QStringLiteral("back to idle"),
        program.afterKb <= program.idleKb + 1024);
    row(QStringLiteral("start-up, cold%1 (ms, median)")
            .arg(program.coldCaches ? QString() : QStringLiteral(" (caches not dropped)")),
        program.startupCold, bare.startupCold, 0, QStringLiteral("< 300"),
        program.startupCold >= 0 && program.startupCold < 300);
    row(QStringLiteral("start-up, warm (ms, median)"), program.startupWarm, bare.startupWarm, 0,
        QStringLiteral("< 300"), program.startupWarm >= 0 && program.startupWarm < 300);
    if (!earlier.isEmpty()) {
        const auto [now, before] = alternateLineRate(
            {arguments.at(0), Lab::Subject::Program}, {earlier, Lab::Subject::Program}, arguments,
            settings, quick ? 1 : 3, Measurements::Pacing::Characters);
        out << "\n| CPU at line rate (%, median of alternate rounds) | program | earlier build | "
               "ratio | bare pipeline |\n";
        out << "|---|---|---|---|---|\n";
        out << "| " << earlier << " | " << number(now, 2) << " | " << number(before, 2) << " | "
            << ratio(now, before) << " | " << number(bare.lineRateCpu, 2) << " |\n";
    }
    out << "\n| linked program, beside the program at line rate | CPU (% of a core) | goal | met "
           "|\n";
    out << "|---|---|---|---|\n";
    for (const Linked::Figure &figure : std::as_const(linked)) {
        const bool met = figure.cpuPercent >= 0 && figure.cpuPercent < 2;
        allMet = allMet && met;
        out << "| " << figure.name
            << (figure.note.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(figure.note))
            << " | " << number(figure.cpuPercent, 2) << " | < 2 | "
            << (quick ? QStringLiteral("-")
                : met ? QStringLiteral("yes")
                      : QStringLiteral("NO"))
            << " |\n";
    }
    out.flush();
    return quick || allMet ? 0 : 1;
}
