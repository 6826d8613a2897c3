#include "support/readerstation.h"

#include "support/labsettings.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

const QString ReaderStation::kEmpty = u"0010 000"_s;

QString dosimetry(const QStringList &arguments)
{
    QProcess process;
    process.start(qEnvironmentVariable("ZAV41K_DOSIMETRY"), arguments);
    if (!process.waitForFinished(30000))
        return u"did not end"_s;
    return QString::number(process.exitCode()) + u' ' +
           QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())
               .trimmed();
}

bool ReaderStation::start()
{
    simulator = std::make_unique<ChildProcess>(
        qEnvironmentVariable("ZAV41K_SIM"),
        QStringList{u"--link"_s, line, u"--file"_s, u"-"_s, u"--quiet"_s});
    if (!QTest::qWaitFor([&] { return QFile::exists(line); }, 10000))
        return false;
    writeLabSettings(program.home.path(), line);
    return program.start() && restartWatch();
}

bool ReaderStation::restartWatch()
{
    watch = std::make_unique<LinkProcess>(
        QStringList{u"advise"_s, u"zav41k"_s, u"data"_s, u"absorbance"_s});
    return watch->sendUntilSeen([&] { feed({kEmpty}); }, u"absorbance\t0.010"_s);
}

void ReaderStation::feed(const QStringList &records)
{
    simulator->process().write((records.join(u'\n') + u'\n').toUtf8());
    // Written now: a wait for another process runs no event loop that would write it.
    simulator->process().waitForBytesWritten(5000);
}

void ReaderStation::film(const QString &counts, bool removed)
{
    QStringList records;
    for (const QString &count : counts.split(u' '))
        records << count.section(u'/', 0, 0) + u' ' + (count.section(u'/', 1) + "000"_L1).left(3);
    feed(removed ? records << kEmpty : records);
}

std::unique_ptr<ChildProcess> ReaderStation::follow(const QStringList &arguments)
{
    auto run = std::make_unique<ChildProcess>(qEnvironmentVariable("ZAV41K_DOSIMETRY"),
                                              QStringList{u"--database"_s, database} + arguments);
    if (!QTest::qWaitFor([&] { return run->errors().contains("following the readings"_L1); },
                         10000))
        return nullptr;
    return run;
}

QString ReaderStation::cli(const QStringList &arguments)
{
    return dosimetry(QStringList{u"--database"_s, database} + arguments);
}

QByteArray ReaderStation::exported(const QString &session)
{
    const QString csv = dir.filePath(u"session.csv"_s);
    QFile file(csv);
    if (!cli({u"export"_s, u"--session"_s, session, u"--csv"_s, csv}).startsWith(u'0') ||
        !file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString ReaderStation::session(int replicates)
{
    if (!cli({u"reader"_s, u"add"_s, u"R1"_s, u"--serial"_s, u"ZAV-0007"_s}).startsWith(u'0') ||
        !cli({u"batch"_s, u"add"_s, u"B1"_s, u"--thickness"_s, u"20"_s}).startsWith(u'0'))
        return {};
    const auto background = follow({u"background"_s, u"--batch"_s, u"B1"_s, u"--wavelength"_s,
                                    u"510"_s, u"--count"_s, u"2"_s});
    if (!background)
        return {};
    film(u"0180 0180 0180 0180"_s);
    film(u"0184 0184 0184 0184"_s);
    if (background->exitCode(15000) != 0)
        return {};
    return cli({u"session"_s, u"start"_s, u"--batch"_s, u"B1"_s, u"--reader"_s, u"R1"_s,
                u"--wavelength"_s, u"510"_s, u"--replicates"_s, QString::number(replicates)})
        .section(u'\n', -1);
}
