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

    // Starts it with the test's environment, this settings folder and `extra` on top.
    void start(const QProcessEnvironment &extra);
    void send(const QByteArray &bytes);
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
};
