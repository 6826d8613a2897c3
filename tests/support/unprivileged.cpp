#include "support/unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

std::optional<QString> asUnprivileged(const std::function<QString()> &check)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(3);
        const QByteArray said = check().toUtf8();
        const bool written =
            ::write(channel[1], said.constData(), size_t(said.size())) == ssize_t(said.size());
        ::_exit(written ? 0 : 4);
    }
    ::close(channel[1]);
    QByteArray said;
    char chunk[512];
    for (ssize_t n; (n = ::read(channel[0], chunk, sizeof chunk)) > 0;)
        said.append(chunk, n);
    ::close(channel[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return std::nullopt;
    return QString::fromUtf8(said);
}
