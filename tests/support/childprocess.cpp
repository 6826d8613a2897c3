#include "support/childprocess.h"

#include <QTest>

ChildProcess::ChildProcess(const QString &program, const QStringList &arguments)
{
    m_process.start(program, arguments);
    m_process.waitForStarted(5000);
}

ChildProcess::~ChildProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(2000);
}

QStringList ChildProcess::lines()
{
    m_pending += m_process.readAllStandardOutput();
    qsizetype end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        m_lines.append(kept(QString::fromUtf8(m_pending.left(end))));
        m_pending.remove(0, end + 1);
    }
    return m_lines;
}

QString ChildProcess::errors()
{
    m_errors += m_process.readAllStandardError();
    return QString::fromUtf8(m_errors);
}

bool ChildProcess::waitForLines(qsizetype count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return lines().size() >= count; }, timeoutMs);
}

bool ChildProcess::hasSaid(const QString &text, int timeoutMs, int times)
{
    return QTest::qWaitFor([&] { return errors().count(text) >= times; }, timeoutMs);
}

int ChildProcess::exitCode(int timeoutMs)
{
    // waitForFinished() is false for a process that has already ended.
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(timeoutMs))
        return -1;
    if (m_process.exitStatus() != QProcess::NormalExit)
        return -1;
    return m_process.exitCode();
}
