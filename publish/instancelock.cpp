#include "publish/instancelock.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

qint64 readHolder(int fd)
{
    char text[24] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    if (got <= 0)
        return 0;
    bool ok = false;
    const qint64 pid = QByteArray(text, got).trimmed().toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

} // namespace

InstanceLock::InstanceLock(QString path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray name = QFile::encodeName(path);
    // No O_TRUNC: the holder's number stays readable until the lock is ours.
    m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (m_fd < 0) {
        m_error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    struct stat status {};
    if (::fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        m_error = QStringLiteral("%1: not a regular file").arg(path);
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            m_state = State::HeldByAnother;
            m_holder = readHolder(m_fd);
        } else {
            m_error =
                QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        }
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_state = State::Held;
    m_holder = ::getpid();
    // The number is a courtesy to a later start; the lock holds without it.
    const QByteArray pid = QByteArray::number(m_holder) + '\n';
    const bool written =
        ::ftruncate(m_fd, 0) == 0 && ::pwrite(m_fd, pid.constData(), pid.size(), 0) == pid.size();
    Q_UNUSED(written)
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
