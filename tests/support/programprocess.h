#pragma once

#include "pseudoterminal.h"

class LinkProcess;

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// The built program in a process of its own, with a settings folder whose stored port 1 is a
// pseudo-terminal that the test writes the reader's records to.
struct ProgramProcess {
    ProgramProcess();
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess &) = delete;
    ProgramProcess &operator=(const ProgramProcess &) = delete;

    // Starts it with the test's environment, this settings folder and `extra` on top (by
    // default the offscreen platform); whether it started.
    bool start(const QProcessEnvironment &extra = offscreen());
    void send(const QByteArray &bytes);
    // Everything it has said on standard error so far.
    QString errors();
    // Whether it said `text` on standard error within `timeoutMs`.
    bool hasSaid(const QString &text, int timeoutMs = 15000);
    // Sends it SIGTERM and returns whether it ended with status 0.
    bool terminate();
    static QProcessEnvironment offscreen();
    // Sends `record` every 100 ms until `client` has printed `line`: the program is up and the
    // client linked, so nothing sent after is missed. False after `timeoutMs`.
    bool sendUntilSeen(LinkProcess &client, const QByteArray &record, const QString &line,
                       int timeoutMs = 15000);

    QTemporaryDir home;
    // What is started: the built program, unless the test names another path to it.
    QString path = qEnvironmentVariable("ZAV41K_PROGRAM");
    QString link = home.filePath(QStringLiteral("reader"));
    PseudoTerminal reader;
    QProcess process;

private:
    QByteArray m_errors;
};
