#include "support/linkprocess.h"

#include <QElapsedTimer>
#include <QTest>

bool LinkProcess::sendUntilSeen(const std::function<void()> &send, const QString &line,
                                int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < timeoutMs) {
        send();
        if (QTest::qWaitFor([&] { return lines().contains(line); }, 100))
            return true;
    }
    return false;
}
