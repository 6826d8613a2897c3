#pragma once

#include <QByteArray>

#include <atomic>
#include <chrono>

// Writes bytes into the line as a serial line delivers them: each byte takes ten bit times
// (start, eight data, stop), and a fragment is written when its last byte would have arrived.
// A baud rate of 0 writes as fast as the line takes them.
class Sender {
public:
    Sender(int baudRate, int fragmentSize, const std::atomic<bool> &stop);

    void setFd(int fd) { m_fd = fd; }
    // False when writing failed or the sender was stopped.
    bool send(const QByteArray &bytes);
    // Silence on the line; false when stopped.
    bool pause(double seconds);

private:
    using Clock = std::chrono::steady_clock;
    bool sleepUntil(Clock::time_point when);
    bool writeAll(const char *data, qsizetype size);

    int m_fd = -1;
    int m_baudRate;
    int m_fragmentSize;
    const std::atomic<bool> &m_stop;
    Clock::time_point m_lineFreeAt = Clock::now();
};
