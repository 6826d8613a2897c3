#pragma once

#include <QProcess>
#include <QStringList>

// A program the test starts as a process of its own: its output lines and what it says on
// standard error are collected as they come; it is ended with the test.
class ChildProcess {
public:
    ChildProcess(const QString &program, const QStringList &arguments);
    virtual ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    QStringList lines();
    QString errors();
    // Whether there are `count` lines within `timeoutMs`.
    bool waitForLines(qsizetype count, int timeoutMs = 10000);
    // Whether it has said `text` on standard error `times` times within `timeoutMs`.
    bool hasSaid(const QString &text, int timeoutMs = 15000, int times = 1);
    // Its exit status once it has ended within `timeoutMs`; -1 when it has not.
    int exitCode(int timeoutMs = 10000);
    QProcess &process() { return m_process; }

protected:
    // A line as it is kept.
    virtual QString kept(const QString &line) const { return line; }

private:
    QProcess m_process;
    QByteArray m_pending;
    QByteArray m_errors;
    QStringList m_lines;
};
