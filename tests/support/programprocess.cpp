#include "support/programprocess.h"

#include "support/labsettings.h"
#include "support/linkprocess.h"

#include <QTest>

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

void ProgramProcess::start(const QProcessEnvironment &extra)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_CONFIG_HOME"_s, home.path());
    for (const QString &name : extra.keys())
        environment.insert(name, extra.value(name));
    process.setProcessEnvironment(environment);
    process.setProgram(path);
    process.start();
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
