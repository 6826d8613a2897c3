#pragma once

#include "pseudoterminal.h"

#include <QProcess>
#include <QTemporaryDir>

// A line and a settings folder whose stored port 1 is that line, and the process under
// measurement reading it: the program itself, or the bare pipeline.
class Lab {
public:
    enum class Subject { Program, Bare };

    Lab(QString programPath, QString barePath);
    ~Lab();

    bool start(Subject subject);
    void stop();
    qint64 pid() const { return m_process.processId(); }

    // Writes all of it, waiting while the line's buffer is full.
    void write(const QByteArray &bytes);
    // Drops whatever the line still holds.
    void flush();

private:
    QString m_programPath;
    QString m_barePath;
    QTemporaryDir m_home;
    QString m_link;
    PseudoTerminal m_pty;
    QProcess m_process;
};
