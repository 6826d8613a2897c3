#include "support/busdaemon.h"

#include <QDeadlineTimer>
#include <QFile>

using namespace Qt::StringLiterals;

BusDaemon::BusDaemon(const QString &folder)
    : m_socket(folder + u"/bus"_s)
    , m_address(u"unix:path="_s + m_socket)
{
}

BusDaemon::~BusDaemon()
{
    kill();
}

bool BusDaemon::start()
{
    // A killed daemon leaves its socket behind, and a new one would not bind there.
    QFile::remove(m_socket);
    m_process.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address"_s,
                                       u"--address="_s + m_address});
    if (!m_process.waitForStarted(5000))
        return false;
    // The daemon prints its address once it listens. Its socket file appears before that, when
    // it binds, and a client that connects in between is refused.
    const QDeadlineTimer deadline(5000);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(100);
    }
    m_process.readAll();
    return true;
}

void BusDaemon::kill()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}
