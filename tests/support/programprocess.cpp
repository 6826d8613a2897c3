#include "support/programprocess.h"

#include "support/labsettings.h"
#include "support/linkprocess.h"

#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

ProgramProcess::ProgramProcess()
{
    writeLabSettings(home.path(), link);
    reader.open(link);
}

ProgramProcess::~ProgramProcess()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(3000);
    }
}

QProcessEnvironment ProgramProcess::offscreen()
{
    QProcessEnvironment environment;
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    return environment;
}

bool ProgramProcess::start(const QProcessEnvironment &extra)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_CONFIG_HOME"_s, home.path());
    for (const QString &name : extra.keys())
        environment.insert(name, extra.value(name));
    process.setProcessEnvironment(environment);
    process.setProgram(path);
    process.start();
    return process.waitForStarted(5000);
}

QString ProgramProcess::errors()
{
    m_errors += process.readAllStandardError();
    return QString::fromUtf8(m_errors);
}

bool ProgramProcess::hasSaid(const QString &text, int timeoutMs)
{
    return QTest::qWaitFor([&] { return errors().contains(text); }, timeoutMs);
}

bool ProgramProcess::terminate()
{
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    return process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

void ProgramProcess::send(const QByteArray &bytes)
{
    QCOMPARE(::write(reader.masterFd(), bytes.constData(), bytes.size()), bytes.size());
}

bool ProgramProcess::sendUntilSeen(LinkProcess &client, const QByteArray &record,
                                   const QString &line, int timeoutMs)
{
    return client.sendUntilSeen([&] { send(record); }, line, timeoutMs);
}
