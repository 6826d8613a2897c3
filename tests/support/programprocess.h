#pragma once

#include "pseudoterminal.h"

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

    QTemporaryDir home;
    // What is started: the built program, unless the test names another path to it.
    QString path = qEnvironmentVariable("ZAV41K_PROGRAM");
    QString link = home.filePath(QStringLiteral("reader"));
    PseudoTerminal reader;
    QProcess process;
};
