#include "common/terminationsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_received = 0;

void endNow(int signal)
{
    ::_exit(128 + signal);
}

void giveUp(int)
{
    endNow(g_received);
}

void forward(int signal)
{
    // Only async-signal-safe work here: the event loop does the rest. A second signal, or an
    // event loop that does not take the first within the grace time (the program waits in a
    // call that does not return), ends the program at once.
    if (g_received != 0)
        endNow(signal);
    g_received = signal;
    const char byte = 1;
    (void)!::write(g_pipe[1], &byte, 1);
    ::alarm(TerminationSignals::kGraceSeconds);
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
    struct sigaction alarmAction {};
    alarmAction.sa_handler = giveUp;
    sigemptyset(&alarmAction.sa_mask);
    ::sigaction(SIGALRM, &alarmAction, nullptr);
}

} // namespace TerminationSignals
