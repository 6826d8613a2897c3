#include "support/linkprocess.h"

#include <QElapsedTimer>
#include <QTest>

LinkProcess::LinkProcess(const QStringList &arguments)
{
    m_process.setProgram(qEnvironmentVariable("ZAV41K_LINK"));
    m_process.setArguments(arguments);
    m_process.start();
    m_process.waitForStarted(5000);
}

LinkProcess::~LinkProcess()
{
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
}

QStringList LinkProcess::lines()
{
    m_pending += m_process.readAllStandardOutput();
    qsizetype end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_pending.left(end));
        m_pending.remove(0, end + 1);
        // Drop the time stamp of tab-separated lines.
        m_lines.append(line.contains(u'\t') ? line.section(u'\t', 1) : line);
    }
    return m_lines;
}

QString LinkProcess::errors()
{
    m_errors += m_process.readAllStandardError();
    return QString::fromUtf8(m_errors);
}

bool LinkProcess::sendUntilSeen(const std::function<void()> &send, const QString &line,
                                int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < timeoutMs) {
        send();
        if (QTest::qWaitFor([&] { return lines().contains(line); }, 100))
            return true;
    }
    return false;
}
