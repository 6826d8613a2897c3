#include "pseudoterminal.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::~PseudoTerminal()
{
    close();
}

QString PseudoTerminal::open(const QString &linkPath)
{
    close();
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        const QString error = QString::fromLocal8Bit(std::strerror(errno));
        if (master >= 0)
            ::close(master);
        return QStringLiteral("cannot create a pseudo-terminal: %1").arg(error);
    }
    const char *name = ::ptsname(master);
    m_devicePath = QString::fromLocal8Bit(name);
    // Holding the device open keeps the line alive while the program closes and reopens it.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    // Raw from the start, so that what is written before the program configures the line
    // arrives unchanged (no echo, no CR to LF).
    struct termios tio {};
    if (::tcgetattr(master, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(master, TCSANOW, &tio);
    }
    m_master = master;

    const QByteArray link = QFile::encodeName(linkPath);
    // Only a link left by an earlier run is replaced: a file of the user's is never removed.
    struct stat existing {};
    if (::lstat(link.constData(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            close();
            return QStringLiteral("%1 exists and is not a symbolic link; it is left as it is")
                .arg(linkPath);
        }
        ::unlink(link.constData());
    }
    if (::symlink(name, link.constData()) != 0) {
        const QString error = QString::fromLocal8Bit(std::strerror(errno));
        close();
        return QStringLiteral("cannot create the link %1: %2").arg(linkPath, error);
    }
    m_linkPath = linkPath;
    return {};
}

void PseudoTerminal::close()
{
    if (!m_linkPath.isEmpty()) {
        const QByteArray link = QFile::encodeName(m_linkPath);
        struct stat existing {};
        if (::lstat(link.constData(), &existing) == 0 && S_ISLNK(existing.st_mode))
            ::unlink(link.constData());
        m_linkPath.clear();
    }
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
    m_devicePath.clear();
}
