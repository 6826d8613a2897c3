#pragma once

#include "support/childprocess.h"
#include "support/linkprocess.h"
#include "support/programprocess.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// zav41k-dosimetry run to its end: its status, then what it printed.
QString dosimetry(const QStringList &arguments);

// A reader station: the simulator on a line, the real program reading it, and a record. What
// the test writes to the simulator is sent to the program as the reader would send it.
struct ReaderStation {
    static const QString kEmpty; // the holder without a film

    QTemporaryDir dir;
    QString database = dir.filePath(QStringLiteral("lab.sqlite"));
    QString line = dir.filePath(QStringLiteral("line"));
    ProgramProcess program;
    std::unique_ptr<ChildProcess> simulator;
    std::unique_ptr<LinkProcess> watch; // a linked client, to know the program reads the line

    // The simulator, then the program; true once the program reads the line.
    bool start();
    // A new linked client, once the program reads the line (again).
    bool restartWatch();
    void feed(const QStringList &records);
    // A film's readings, as counts ("0512", or "0700/100" with its flags), then the holder
    // emptied unless asked not to.
    void film(const QString &counts, bool removed = true);
    // zav41k-dosimetry on this record, once it follows the readings; null when it does not.
    std::unique_ptr<ChildProcess> follow(const QStringList &arguments);
    QString cli(const QStringList &arguments);
    // The session's rows as `export` writes them; empty when it fails.
    QByteArray exported(const QString &session);
    // A registered reader and batch, its background at 510 nm from two films (0.180 and 0.184),
    // and a session with `replicates` readings per dosimeter: its id.
    QString session(int replicates = 1);
};
