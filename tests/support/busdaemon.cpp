#include "support/busdaemon.h"

#include <QFile>
#include <QTest>

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
    m_process.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--address="_s + m_address});
    if (!m_process.waitForStarted(5000))
        return false;
    return QTest::qWaitFor([this] { return QFile::exists(m_socket); }, 5000);
}

void BusDaemon::kill()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}
