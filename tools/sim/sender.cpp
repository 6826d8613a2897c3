#include "sender.h"

#include <cerrno>
#include <poll.h>
#include <thread>
#include <unistd.h>

Sender::Sender(int baudRate, int fragmentSize, const std::atomic<bool> &stop)
    : m_baudRate(baudRate)
    , m_fragmentSize(fragmentSize)
    , m_stop(stop)
{
}

bool Sender::send(const QByteArray &bytes)
{
    const qsizetype fragment = m_fragmentSize > 0 ? m_fragmentSize : bytes.size();
    for (qsizetype offset = 0; offset < bytes.size(); offset += fragment) {
        const qsizetype size = qMin(fragment, bytes.size() - offset);
        if (m_baudRate > 0) {
            const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / m_baudRate);
            m_lineFreeAt = std::max(m_lineFreeAt, Clock::now()) + byteTime * size;
            if (!sleepUntil(m_lineFreeAt))
                return false;
        }
        if (!writeAll(bytes.constData() + offset, size))
            return false;
    }
    return true;
}

bool Sender::pause(double seconds)
{
    const auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(seconds));
    m_lineFreeAt = std::max(m_lineFreeAt, until);
    return sleepUntil(until);
}

bool Sender::sleepUntil(Clock::time_point when)
{
    // Short slices, so that a stop request is seen promptly.
    while (!m_stop.load()) {
        const auto now = Clock::now();
        if (now >= when)
            return true;
        std::this_thread::sleep_for(
            std::min<Clock::duration>(when - now, std::chrono::milliseconds(50)));
    }
    return false;
}

bool Sender::writeAll(const char *data, qsizetype size)
{
    while (size > 0) {
        if (m_stop.load())
            return false;
        const ssize_t written = ::write(m_fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                struct pollfd waiting {
                    m_fd, POLLOUT, 0
                };
                ::poll(&waiting, 1, 50);
                continue;
            }
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}
