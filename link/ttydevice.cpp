#include "link/ttydevice.h"

#include "resources/failuretexts.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace {

speed_t speedOf(int baudRate)
{
    switch (baudRate) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B9600;
    }
}

tcflag_t sizeOf(int dataBits)
{
    switch (dataBits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

// Why this user may not open the device, and what would help: joining the device's group
// only helps when that group may read and write it, and never for the group root.
Failure accessRefused(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {Failure::PermissionDenied, FailureTexts::permissionDeniedOnPath(path)};
    if (!S_ISCHR(info.st_mode))
        return {Failure::PortUnavailable, FailureTexts::notASerialDevice(path)};
    const bool groupMayUse = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (!groupMayUse || info.st_gid == 0)
        return {Failure::PermissionDenied, FailureTexts::permissionDeniedNoGroup(path)};
    const struct group *entry = ::getgrgid(info.st_gid);
    const QString group =
        entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(info.st_gid);
    return {Failure::PermissionDenied, FailureTexts::permissionDenied(path, group)};
}

} // namespace

TtyDevice::~TtyDevice()
{
    close();
}

Failure TtyDevice::failureFromErrno(int error, int port) const
{
    switch (error) {
    case ENOENT: return {Failure::PortUnavailable, FailureTexts::deviceMissing(port, m_path)};
    case EACCES:
    case EPERM: return accessRefused(m_path);
    case EBUSY:
    case EWOULDBLOCK: return {Failure::PortInUse, FailureTexts::portInUse(m_path)};
    case EISDIR:
    case ENOTTY:
    case ENXIO:
    case ENODEV: return {Failure::PortUnavailable, FailureTexts::notASerialDevice(m_path)};
    default:
        return {Failure::DeviceError,
                FailureTexts::deviceError(m_path, QString::fromLocal8Bit(std::strerror(error)))};
    }
}

Status TtyDevice::open(int port, const QString &path, const LineOptions &options)
{
    close();
    m_path = path;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failureFromErrno(errno, port);

    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode) || !::isatty(fd)) {
        ::close(fd);
        return Failure{Failure::PortUnavailable, FailureTexts::notASerialDevice(path)};
    }
    // Another instance holds the lock; TIOCEXCL also keeps other programs out of a real line.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return failureFromErrno(error == EWOULDBLOCK ? EBUSY : error, port);
    }
    // A pseudo-terminal keeps the exclusive mode while its other end is open, even after the
    // holder was killed, so that a restart could never open it again: the lock alone keeps
    // other instances out there. A real line drops the mode with its last descriptor.
    constexpr unsigned kFirstPtySlaveMajor = 136, kLastPtySlaveMajor = 143;
    const unsigned deviceMajor = major(info.st_rdev);
    if (deviceMajor < kFirstPtySlaveMajor || deviceMajor > kLastPtySlaveMajor)
        ::ioctl(fd, TIOCEXCL);

    m_fd = fd;
    m_marks.reset();
    struct serial_icounter_struct counts {};
    m_countersAvailable = ::ioctl(fd, TIOCGICOUNT, &counts) == 0;
    m_lastCounts = {counts.frame, counts.parity, counts.overrun, counts.buf_overrun, counts.brk};

    const Status configured = configure(options);
    if (!configured) {
        close();
        return configured;
    }
    return {};
}

Status TtyDevice::configure(const LineOptions &options)
{
    if (m_fd < 0)
        return {};
    struct termios tio {};
    if (::tcgetattr(m_fd, &tio) != 0)
        return failureFromErrno(errno, 0);
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | sizeOf(options.settings.dataBits);
    if (options.settings.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~(INPCK | PARMRK | IGNPAR | IXON | IXOFF | IXANY);
    using Parity = LineSettings::Parity;
    const Parity parity = options.settings.parity;
    if (parity != Parity::None) {
        tio.c_cflag |= PARENB;
        if (parity == Parity::Odd || parity == Parity::Mark)
            tio.c_cflag |= PARODD;
        if (parity == Parity::Mark || parity == Parity::Space)
            tio.c_cflag |= CMSPAR;
        tio.c_iflag |= INPCK | PARMRK;
    }
    if (options.handshaking & 1)
        tio.c_iflag |= IXON | IXOFF;
    if (options.handshaking & 2)
        tio.c_cflag |= CRTSCTS;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const speed_t speed = speedOf(options.settings.baudRate);
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0)
        return failureFromErrno(errno, 0);
    m_parityMarking = parity != Parity::None;

    // Pseudo-terminals have no modem lines; there is nothing to lower on them.
    int dtr = TIOCM_DTR;
    ::ioctl(m_fd, options.dtr ? TIOCMBIS : TIOCMBIC, &dtr);
    return {};
}

void TtyDevice::close()
{
    if (m_fd >= 0) {
        // The exclusive mode belongs to the terminal, not to this descriptor: it would outlast
        // the close while another holder (a simulator) keeps the terminal open.
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
        m_fd = -1;
    }
}

TtyDevice::ReadResult TtyDevice::read(QByteArray &out, qsizetype maxBytes, ErrorCounts &errors)
{
    if (m_fd < 0)
        return ReadResult::Gone;
    char chunk[1024];
    const size_t wanted = static_cast<size_t>(qMin<qsizetype>(maxBytes, sizeof chunk));
    const ssize_t got = ::read(m_fd, chunk, wanted);
    takeDriverCounts(errors);
    if (got < 0) {
        if (errno == EAGAIN || errno == EINTR)
            return ReadResult::Nothing;
        return ReadResult::Gone;
    }
    if (got == 0)
        return ReadResult::Gone;
    const QByteArray raw(chunk, got);
    if (!m_parityMarking) {
        out.append(raw);
        return ReadResult::Data;
    }
    const ParityMarkDecoder::Result decoded = m_marks.decode(raw);
    out.append(decoded.data);
    if (!m_countersAvailable) {
        errors.parity += decoded.markedCharacters;
        errors.breaks += decoded.breaks;
    }
    return ReadResult::Data;
}

void TtyDevice::takeDriverCounts(ErrorCounts &errors)
{
    if (!m_countersAvailable)
        return;
    struct serial_icounter_struct counts {};
    if (::ioctl(m_fd, TIOCGICOUNT, &counts) != 0)
        return;
    const ErrorCounts now{counts.frame, counts.parity, counts.overrun, counts.buf_overrun,
                          counts.brk};
    errors.framing += now.framing - m_lastCounts.framing;
    errors.parity += now.parity - m_lastCounts.parity;
    errors.overrun += now.overrun - m_lastCounts.overrun;
    errors.bufferOverrun += now.bufferOverrun - m_lastCounts.bufferOverrun;
    errors.breaks += now.breaks - m_lastCounts.breaks;
    m_lastCounts = now;
}
