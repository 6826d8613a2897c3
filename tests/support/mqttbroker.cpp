#include "mqttbroker.h"

#include "support/freeport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

bool accepts(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(port));
    return socket.waitForConnected(1000);
}

QString program(const char *variable, const char *fallback)
{
    const QString set = qEnvironmentVariable(variable);
    return set.isEmpty() ? QString::fromLatin1(fallback) : set;
}

} // namespace

MqttBroker::MqttBroker(const QStringList &configuration)
    : m_port(freePort())
{
    // The broker drops root's rights for its own user, which must be able to write the store.
    QFile::setPermissions(m_folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                               QFileDevice::WriteOther | QFileDevice::ExeOther);
    QFile file(m_folder.filePath(u"mosquitto.conf"_s));
    if (file.open(QIODevice::WriteOnly)) {
        QStringList lines{u"listener %1 127.0.0.1"_s.arg(m_port), u"persistence true"_s,
                          u"persistence_location %1/"_s.arg(m_folder.path()), u"log_dest stderr"_s,
                          // The defaults, and each subscription: tests wait for those.
                          u"log_type error"_s, u"log_type warning"_s, u"log_type notice"_s,
                          u"log_type information"_s, u"log_type subscribe"_s};
        if (!configuration.join(u'\n').contains(u"password_file"_s))
            lines.append(u"allow_anonymous true"_s);
        file.write((lines + configuration).join(u'\n').toUtf8() + '\n');
    }
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

MqttBroker::~MqttBroker()
{
    stop();
}

bool MqttBroker::start()
{
    m_process.start(program("ZAV41K_MOSQUITTO", "/usr/sbin/mosquitto"),
                    {u"-c"_s, m_folder.filePath(u"mosquitto.conf"_s)});
    if (!m_process.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (accepts(m_port))
            return true;
        if (m_process.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(20);
    }
    return false;
}

void MqttBroker::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    ::kill(pid_t(m_process.processId()), SIGCONT); // a frozen one takes the request on waking
    if (!m_process.waitForFinished(10000))
        m_process.kill();
    m_process.waitForFinished(2000);
}

void MqttBroker::freeze()
{
    if (m_process.state() == QProcess::Running)
        ::kill(pid_t(m_process.processId()), SIGSTOP);
}

QString MqttBroker::log()
{
    m_log += QString::fromUtf8(m_process.readAll());
    return m_log;
}

bool MqttBroker::waitForSubscriptions(const QString &topic, int count)
{
    // "<time>: <client id> <qos> <topic>"
    const QRegularExpression subscribed(
        u"^\\d+: \\S+ \\d %1$"_s.arg(QRegularExpression::escape(topic)),
        QRegularExpression::MultilineOption);
    return QTest::qWaitFor(
        [&] {
            QRegularExpressionMatchIterator found = subscribed.globalMatch(log());
            int seen = 0;
            for (; found.hasNext(); found.next())
                ++seen;
            return seen >= count;
        },
        10000);
}

namespace {
QStringList subscription(int port, const QString &topic, const QString &session)
{
    QStringList arguments{u"-h"_s, u"127.0.0.1"_s, u"-p"_s, QString::number(port), u"-q"_s, u"1"_s,
                          u"-v"_s, u"-t"_s,        topic};
    if (!session.isEmpty())
        arguments << u"-c"_s << u"-i"_s << session;
    return arguments;
}
} // namespace

MqttSubscriber::MqttSubscriber(int port, const QString &topic, const QString &session,
                               const QStringList &extra)
    : ChildProcess(program("ZAV41K_MOSQUITTO_SUB", "mosquitto_sub"),
                   subscription(port, topic, session) + extra)
{
}
