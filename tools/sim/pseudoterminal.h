#pragma once

#include <QString>

// A pseudo-terminal standing in for the reader's serial port, reachable through a symbolic
// link. The simulator writes into the master side; the program opens the link.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // Opens a new pseudo-terminal and points `linkPath` at its device, replacing an earlier
    // link there. Returns an error text, empty on success.
    QString open(const QString &linkPath);
    // Closes it and removes the link: to the program, the device is gone.
    void close();

    bool isOpen() const { return m_master >= 0; }
    int masterFd() const { return m_master; }
    const QString &devicePath() const { return m_devicePath; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_devicePath;
    QString m_linkPath;
};
