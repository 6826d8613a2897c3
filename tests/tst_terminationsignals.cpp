#include "common/terminationsignals.h"

#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A child that has installed the handlers and then waits in a call that never returns to the
// event loop, as a program stuck in a blocking open() would.
pid_t stuckChild()
{
    const pid_t child = ::fork();
    if (child == 0) {
        TerminationSignals::install([] {});
        for (;;)
            ::pause();
    }
    return child;
}

// The child's wait status once it has ended, or -1 when it has not within `seconds`.
int endOf(pid_t child, int seconds)
{
    for (int i = 0; i < seconds * 20; ++i) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child)
            return status;
        ::usleep(50 * 1000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return -1;
}

} // namespace

class TestTerminationSignals : public QObject {
    Q_OBJECT

private slots:
    void endsWhenTheEventLoopNeverComes()
    {
        // One child for each signal, side by side, so that the grace time is waited once.
        const int kinds[] = {SIGTERM, SIGINT, SIGHUP};
        pid_t children[3] = {};
        for (int i = 0; i < 3; ++i) {
            children[i] = stuckChild();
            QVERIFY(children[i] > 0);
        }
        ::usleep(100 * 1000); // the handlers are in place
        for (int i = 0; i < 3; ++i)
            QCOMPARE(::kill(children[i], kinds[i]), 0);
        for (int i = 0; i < 3; ++i) {
            const int status = endOf(children[i], 4 * int(TerminationSignals::kGraceSeconds));
            QVERIFY2(status != -1, "the signal did not end the program");
            QVERIFY(WIFEXITED(status));
            QCOMPARE(WEXITSTATUS(status), 128 + kinds[i]);
        }
    }

    void secondSignalEndsAtOnce()
    {
        const pid_t child = stuckChild();
        QVERIFY(child > 0);
        ::usleep(100 * 1000);
        QCOMPARE(::kill(child, SIGTERM), 0);
        ::usleep(100 * 1000);
        QCOMPARE(::kill(child, SIGINT), 0);
        const int status = endOf(child, 4 * int(TerminationSignals::kGraceSeconds));
        QVERIFY(status != -1);
        QVERIFY(WIFEXITED(status));
        // Ended by the second signal, not by the grace time of the first.
        QCOMPARE(WEXITSTATUS(status), 128 + SIGINT);
    }
};

QTEST_GUILESS_MAIN(TestTerminationSignals)
#include "tst_terminationsignals.moc"
