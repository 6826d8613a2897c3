#include "support/busdaemon.h"

#include <QFile>
#include <QTest>

BusDaemon::BusDaemon(const QString &folder)
    : m_socket(folder + QStringLiteral("/bus"))
    , m_address(QStringLiteral("unix:path=") + m_socket)
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
    m_process.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--address=") + m_address});
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
