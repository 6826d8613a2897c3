#include "linked.h"

#include "measurements.h"
#include "record/dosimetryrecord.h"
#include "record/labbook.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

namespace {

// A loopback port that nothing listens on at the moment.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

// A process of the run, ended with it.
std::unique_ptr<QProcess> started(const QString &program, const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, arguments);
    if (!process->waitForStarted(5000))
        return nullptr;
    return process;
}

void end(QProcess *process)
{
    if (!process || process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(5000)) {
        process->kill();
        process->waitForFinished(2000);
    }
}

// Lets a follower find the program and link up before it is measured.
void settle()
{
    for (int i = 0; i < 30; ++i)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

// A dosimetry record with a reader, a batch and its background, and a session at 510 nm
// to capture into; its id, or -1.
qint64 dosimetrySession(const QString &database)
{
    DosimetryRecord record(database);
    LabBook book(record);
    if (!record.open() || !book.addReader({QStringLiteral("R"), QStringLiteral("1"), 0.02}) ||
        !book.addBatch({QStringLiteral("B"), {}, 20}) ||
        !book.addBackground(QStringLiteral("B"), 510, {Capture{0.05, 0, 4, 1, 4, 0, 510}}))
        return -1;
    Session session;
    session.batch = QStringLiteral("B");
    session.reader = QStringLiteral("R");
    session.wavelength = 510;
    const Outcome<Session> begun = book.startSession(session);
    return begun ? begun.value().id : -1;
}

} // namespace

namespace Linked {

QList<Figure> lineRate(Lab &lab, const QString &build, int seconds)
{
    const QString link = build + QStringLiteral("/tools/link/zav41k-link");
    const QString mqtt = build + QStringLiteral("/tools/mqtt/zav41k-mqtt");
    const QString dosimetry = build + QStringLiteral("/dosimetryui/zav41k-dosimetry");
    QTemporaryDir work;
    QList<Figure> figures;
    auto measure = [&](const QString &name, const QString &program, const QStringList &arguments,
                       const QString &note = {}) {
        Figure figure{name, -1, note};
        std::unique_ptr<QProcess> follower = started(program, arguments);
        if (!follower) {
            figure.note = QStringLiteral("did not start");
        } else {
            settle();
            figure.cpuPercent = Measurements::lineRateCpuPercent(
                lab, seconds, Measurements::Pacing::Records, follower->processId());
            if (follower->state() != QProcess::Running) {
                figure.cpuPercent = -1;
                figure.note = QStringLiteral("ended during the run");
            }
        }
        end(follower.get());
        figures << figure;
    };

    measure(QStringLiteral("zav41k-link readings"), link, {QStringLiteral("readings")});
    measure(QStringLiteral("zav41k-link record"), link,
            {QStringLiteral("record"), work.filePath(QStringLiteral("record"))});

    const QString broker =
        QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin")});
    const int port = freePort();
    std::unique_ptr<QProcess> brokerProcess =
        broker.isEmpty() ? nullptr : started(broker, {QStringLiteral("-p"), QString::number(port)});
    if (brokerProcess) {
        settle();
        measure(QStringLiteral("zav41k-mqtt"), mqtt,
                {QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                 QString::number(port), QStringLiteral("--client-id"), QStringLiteral("bench")},
                QStringLiteral("to a local mosquitto"));
    } else {
        figures << Figure{QStringLiteral("zav41k-mqtt"), -1, QStringLiteral("no mosquitto")};
    }
    end(brokerProcess.get());

    const QString database = work.filePath(QStringLiteral("lab.sqlite"));
    const qint64 session = dosimetrySession(database);
    if (session > 0)
        measure(QStringLiteral("zav41k-dosimetry capture"), dosimetry,
                {QStringLiteral("--database"), database, QStringLiteral("capture"),
                 QStringLiteral("--session"), QString::number(session)});
    else
        figures << Figure{QStringLiteral("zav41k-dosimetry capture"), -1,
                          QStringLiteral("no record to capture into")};
    return figures;
}

} // namespace Linked
