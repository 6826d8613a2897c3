#include "common/terminationsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void forward(int)
{
    const char byte = 1;
    // Only async-signal-safe work here: the event loop does the rest.
    (void)!::write(g_pipe[1], &byte, 1);
}

} // namespace

namespace TerminationSignals {

void install(std::function<void()> onSignal)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0)
        return;
    // Owned by the application, so that it goes with it.
    auto *notifier =
        new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [callback = std::move(onSignal)] {
                         char byte = 0;
                         while (::read(g_pipe[0], &byte, 1) > 0) {
                         }
                         callback();
                     });
    struct sigaction action {};
    action.sa_handler = forward;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

} // namespace TerminationSignals
