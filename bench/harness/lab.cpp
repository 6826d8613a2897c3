#include "lab.h"

#include <QDir>
#include <QFile>

#include <QElapsedTimer>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

Lab::Lab(QString programPath, QString barePath)
    : m_programPath(std::move(programPath))
    , m_barePath(std::move(barePath))
    , m_link(m_home.filePath(QStringLiteral("reader")))
{
    QDir(m_home.path()).mkpath(QStringLiteral("ZAV41K"));
    QFile conf(m_home.filePath(QStringLiteral("ZAV41K/ZAV41K.conf")));
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("[Properties]\nCommPort=1\n[Ports]\nCom1=%1\n").arg(m_link).toUtf8());
    conf.close();
    m_pty.open(m_link);
    // Writes must not block: a program that stopped reading ends the run instead of hanging it.
    ::fcntl(m_pty.masterFd(), F_SETFL, ::fcntl(m_pty.masterFd(), F_GETFL) | O_NONBLOCK);
}

Lab::~Lab()
{
    stop();
}

bool Lab::start(Subject subject)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (subject == Subject::Program)
        m_process.start(m_programPath, {});
    else
        m_process.start(m_barePath, {m_link});
    return m_process.waitForStarted(5000);
}

void Lab::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

void Lab::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    QElapsedTimer stalled;
    stalled.start();
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(m_pty.masterFd(), bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            stalled.restart();
        } else if (stalled.elapsed() > 10000) {
            qFatal("nothing has read the line for ten seconds: the program under test stopped");
        } else {
            ::usleep(1000);
        }
    }
}

void Lab::flush()
{
    ::tcflush(m_pty.masterFd(), TCIOFLUSH);
}
