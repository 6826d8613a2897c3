#include "clients.h"

#include <QCoreApplication>
#include <QElapsedTimer>

Clients::Clients(const QString &program, int count)
    : m_updates(size_t(count))
    , m_pending(size_t(count))
    , m_ready(size_t(count), false)
{
    for (int i = 0; i < count; ++i) {
        auto process = std::make_unique<QProcess>();
        process->setProgram(program);
        connect(process.get(), &QProcess::readyReadStandardOutput, this, [this, i] { read(i); });
        process->start();
        m_processes.push_back(std::move(process));
    }
}

Clients::~Clients()
{
    for (auto &process : m_processes)
        process->kill();
    for (auto &process : m_processes)
        process->waitForFinished(2000);
}

bool Clients::waitReady(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (std::all_of(m_ready.begin(), m_ready.end(), [](bool ready) { return ready; }))
            return true;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return false;
}

qsizetype Clients::totalUpdates() const
{
    qsizetype total = 0;
    for (const auto &updates : m_updates)
        total += qsizetype(updates.size());
    return total;
}

void Clients::clear()
{
    for (auto &updates : m_updates)
        updates.clear();
}

void Clients::read(int client)
{
    QByteArray &pending = m_pending[size_t(client)];
    pending += m_processes[size_t(client)]->readAllStandardOutput();
    qsizetype start = 0;
    qsizetype end = 0;
    while ((end = pending.indexOf('\n', start)) >= 0) {
        const QByteArray line = pending.mid(start, end - start);
        start = end + 1;
        if (line == "ready") {
            m_ready[size_t(client)] = true;
            continue;
        }
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() >= 3)
            m_updates[size_t(client)].push_back({fields[0].toLongLong(), fields[1], fields[2]});
    }
    pending.remove(0, start);
}
