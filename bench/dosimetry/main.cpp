// zav41k-bench-dosimetry: what the dosimetry program costs, against a source of readings on the
// session bus that stands in for ZAV41K.
//   zav41k-bench-dosimetry PROGRAM [--quick]
// - latency: from the Reading signal of a film's last settled reading to the capture kept in the
//   record and printed, films at the reader's rate (96 readings a second); p50 and p99;
// - CPU at the reader's full rate: its share of a core while films go by at 96 readings a
//   second;
// - resident memory after 10,000 captures;
// - verify over 100,000 entries.

#include "common/indicatormodel.h"
#include "common/readingmodel.h"
#include "procstats.h"
#include "publish/linksource.h"
#include "record/dosimetryrecord.h"
#include "record/labbook.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

QTextStream out(stdout);

// The stand-in for ZAV41K: readings published as the program publishes them.
struct Source {
    IndicatorModel indicators;
    ReadingModel readings;
    LinkSource source{indicators, readings};

    void send(double absorbance)
    {
        Reading r;
        r.absorbance = absorbance;
        r.shown = QString::number(absorbance, 'f', 3);
        r.wavelength = 510;
        r.status = Reading::Status::Ok;
        r.record = QStringLiteral("%1 000").arg(qRound(absorbance * 1000), 4, 10, QChar(u'0'));
        readings.recordDecoded(r);
    }
};

// A capture process, and the lines it has printed with the time each came.
struct CaptureProcess {
    QProcess process;
    QList<qint64> printedNs;
    QByteArray pending;
    QElapsedTimer clock;

    bool start(const QString &program, const QString &database, qint64 session)
    {
        clock.start();
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] {
            pending += process.readAllStandardOutput();
            for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
                printedNs << clock.nsecsElapsed();
        });
        process.start(program, {QStringLiteral("--database"), database, QStringLiteral("capture"),
                                QStringLiteral("--session"), QString::number(session)});
        return QTest::qWaitFor(
            [&] { return process.readAllStandardError().contains("following the readings"); },
            10000);
    }
};

QString percentiles(QList<qint64> values)
{
    if (values.isEmpty())
        return QStringLiteral("none");
    std::sort(values.begin(), values.end());
    const auto at = [&](double p) { return values.at(qsizetype(p * double(values.size() - 1))); };
    return QStringLiteral("p50 %1 ms, p99 %2 ms, max %3 ms (%4 captures)")
        .arg(double(at(0.5)) / 1e6, 0, 'f', 2)
        .arg(double(at(0.99)) / 1e6, 0, 'f', 2)
        .arg(double(values.last()) / 1e6, 0, 'f', 2)
        .arg(values.size());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        QTextStream(stderr) << "usage: zav41k-bench-dosimetry PROGRAM [--quick]" << Qt::endl;
        return 2;
    }
    const QString program = arguments.at(1);
    const bool quick = arguments.contains(QStringLiteral("--quick"));
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("lab.sqlite"));
    DosimetryRecord record(database);
    LabBook book(record);
    if (!record.open() || !book.addReader({QStringLiteral("R"), QStringLiteral("1"), 0.02}) ||
        !book.addBatch({QStringLiteral("B"), {}, 20}) ||
        !book.addBackground(QStringLiteral("B"), 510, {Capture{0.18, 0, 4, 1, 4, 0, 510}}))
        return 1;
    Session s;
    s.batch = QStringLiteral("B");
    s.reader = QStringLiteral("R");
    s.wavelength = 510;
    const Outcome<Session> session = book.startSession(s);
    Source source;
    if (!session || !source.source.publish(QDBusConnection::sessionBus()))
        return 1;
    CaptureProcess capture;
    if (!capture.start(program, database, session.value().id))
        return 1;

    // Readings at the reader's rate, one every 10.4 ms from a precise timer, each film `held`
    // readings long and then the holder emptied for ten; the time each film settles (its
    // fourth reading) is kept.
    const auto films = [&](int count, int held, QList<qint64> *settledNs) {
        QEventLoop loop;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(2);
        QElapsedTimer started;
        started.start();
        qint64 sent = 0;
        int film = 0, reading = 0;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            // Every reading that is due by now: a timer has only milliseconds.
            while (film < count && sent * 10417 < started.nsecsElapsed() / 1000) {
                ++sent;
                if (reading == 3 && settledNs)
                    *settledNs << capture.clock.nsecsElapsed();
                source.send(reading < held ? 0.3 + 0.001 * (film % 500) : 0.01);
                if (++reading == held + 10) {
                    reading = 0;
                    ++film;
                }
            }
            if (film == count)
                loop.quit();
        });
        timer.start();
        loop.exec();
    };
    out << "Machine: " << QSysInfo::prettyProductName() << ", " << QThread::idealThreadCount()
        << " cores" << Qt::endl;

    QList<qint64> settled;
    films(quick ? 20 : 400, 4, &settled);
    // Missing captures show as fewer captures in the figure.
    (void)QTest::qWaitFor([&] { return capture.printedNs.size() >= settled.size(); }, 10000);
    QList<qint64> latencies;
    for (qsizetype i = 0; i < std::min(settled.size(), capture.printedNs.size()); ++i)
        latencies << capture.printedNs.at(i) - settled.at(i);
    out << "latency, last reading to capture kept and printed: " << percentiles(latencies)
        << " (goal: p99 under 50 ms)" << Qt::endl;

    const qint64 pid = capture.process.processId();
    const double cpuBefore = ProcStats::cpuSeconds(pid);
    QElapsedTimer wall;
    wall.start();
    // A film read for about two seconds, as a lab reads them.
    films(quick ? 1 : 25, 200, nullptr);
    const double share = (ProcStats::cpuSeconds(pid) - cpuBefore) / (double(wall.elapsed()) / 1e3);
    out << "CPU at the reader's full rate (96 readings a second, a film every 2.4 s): "
        << QString::number(share * 100, 'f', 2) << " % of a core (goal: under 2 %)" << Qt::endl;

    // As fast as it takes them: the next film once the last one is printed.
    const int captures = quick ? 200 : 10000;
    while (capture.printedNs.size() < captures) {
        const qsizetype before = capture.printedNs.size();
        for (int i = 0; i < 5; ++i)
            source.send(i < 4 ? 0.5 : 0.01);
        if (!QTest::qWaitFor([&] { return capture.printedNs.size() > before; }, 5000))
            break;
    }
    out << "resident memory after " << capture.printedNs.size()
        << " captures: " << QString::number(double(ProcStats::residentKb(pid)) / 1024, 'f', 1)
        << " MB (goal: under 80 MB after 10,000)" << Qt::endl;
    capture.process.terminate();
    capture.process.waitForFinished(5000);

    const int entries = quick ? 2000 : 100000;
    const Outcome<QList<Entry>> kept = record.entries(QStringLiteral("capture"));
    // Four entries came before the captures: the reader, the batch, its background, the session.
    for (qsizetype n = kept ? kept.value().size() + 4 : 0; n < entries; ++n) {
        if (!book.addCapture(session.value().id, QStringLiteral("F-%1").arg(n),
                             Capture{0.5, 0.001, 4, quint64(n), quint64(n) + 3, 0, 510}, 20))
            return 1;
    }
    QProcess verify;
    QElapsedTimer timed;
    timed.start();
    verify.start(program, {QStringLiteral("--database"), database, QStringLiteral("verify")});
    verify.waitForFinished(120000);
    out << "verify over " << entries
        << " entries: " << QString::number(double(timed.elapsed()) / 1e3, 'f', 2) << " s, "
        << verify.readAllStandardOutput().trimmed() << " (goal: under 5 s for 100,000)" << Qt::endl;
    return verify.exitCode();
}
