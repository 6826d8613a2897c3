#pragma once

#include <QProcess>
#include <QStringList>

// zav41k-link run as a separate client process, its output lines collected with the time
// stamps taken off ("absorbance\t1.234").
class LinkProcess {
public:
    explicit LinkProcess(const QStringList &arguments);
    ~LinkProcess();

    QStringList lines();
    // Everything said on standard error so far.
    QString errors();
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_pending;
    QByteArray m_errors;
    QStringList m_lines;
};
