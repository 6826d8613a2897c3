#include "procstats.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <unistd.h>

namespace {

qint64 statusField(qint64 pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(name) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

namespace ProcStats {

double cpuSeconds(qint64 pid)
{
    // The scheduler's own run time of every thread, to the nanosecond: tick-based accounting
    // misjudges a process that wakes briefly a hundred times a second.
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    qint64 runNs = 0;
    bool found = false;
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (schedstat.open(QIODevice::ReadOnly)) {
            runNs += schedstat.readAll().split(' ').value(0).toLongLong();
            found = true;
        }
    }
    if (found)
        return double(runNs) / 1e9;
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    // Fields after the command name, which is in parentheses and may hold blanks.
    const QByteArray stat = file.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields.value(11).toLongLong() + fields.value(12).toLongLong()) / ticks;
}

qint64 residentKb(qint64 pid)
{
    return statusField(pid, "VmRSS");
}

qint64 peakResidentKb(qint64 pid)
{
    return statusField(pid, "VmHWM");
}

int openDescriptors(qint64 pid)
{
    return int(QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                   .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                   .size());
}

} // namespace ProcStats
