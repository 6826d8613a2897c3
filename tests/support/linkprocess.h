#pragma once

#include <QProcess>
#include <QStringList>

#include <functional>

// zav41k-link run as a separate client process, its output lines collected with the time
// stamps taken off ("absorbance\t1.234").
class LinkProcess {
public:
    explicit LinkProcess(const QStringList &arguments);
    ~LinkProcess();

    QStringList lines();
    // Calls `send` every 100 ms until this client has printed `line`: the source is up and
    // the client linked, so nothing sent after is missed. False after `timeoutMs`.
    bool sendUntilSeen(const std::function<void()> &send, const QString &line,
                       int timeoutMs = 15000);
    // Everything said on standard error so far.
    QString errors();
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_pending;
    QByteArray m_errors;
    QStringList m_lines;
};
