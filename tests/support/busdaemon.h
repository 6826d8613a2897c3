#pragma once

#include <QProcess>
#include <QString>

// A session bus daemon of its own, on a fixed address, that can be killed and started again
// there, as a session manager restarting the bus would.
class BusDaemon {
public:
    explicit BusDaemon(const QString &folder);
    ~BusDaemon();
    BusDaemon(const BusDaemon &) = delete;
    BusDaemon &operator=(const BusDaemon &) = delete;

    // Starts it on the address and waits until it listens.
    bool start();
    void kill();
    QString address() const { return m_address; }

private:
    QString m_socket;
    QString m_address;
    QProcess m_process;
};
