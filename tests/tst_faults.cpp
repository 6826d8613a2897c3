#include "link/serialcommcontrol.h"
#include "pseudoterminal.h"
#include "resources/failuretexts.h"
#include "shell/portresolver.h"
#include "shell/portselection.h"
#include "shell/programtitle.h"
#include "shell/settingsstore.h"
#include "shell/startup.h"
#include "support/fakecommcontrol.h"
#include "support/labsettings.h"
#include "support/linkprocess.h"
#include "support/readerharness.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

qint64 statusKb(qint64 pid, const char *field)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    file.open(QIODevice::ReadOnly);
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(QByteArray(field) + ':'))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

int descriptors(qint64 pid)
{
    return int(QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

double cpuSeconds(qint64 pid)
{
    qint64 ns = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (stat.open(QIODevice::ReadOnly))
            ns += stat.readAll().split(' ').value(0).toLongLong();
    }
    return double(ns) / 1e9;
}

// The built program reading a pseudo-terminal stored as its port 1.
struct RunningProgram {
    RunningProgram()
    {
        writeLabSettings(home.path(), link);
        reader.open(link);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // Under AddressSanitizer freed memory waits in a quarantine, which would read as growth.
        const QString sanitizer = environment.value(QStringLiteral("ASAN_OPTIONS"));
        environment.insert(
            QStringLiteral("ASAN_OPTIONS"),
            sanitizer + QStringLiteral(":quarantine_size_mb=0:thread_local_quarantine_size_kb=0"));
        process.setProcessEnvironment(environment);
        process.start(qEnvironmentVariable("ZAV41K_PROGRAM"), QStringList());
    }
    ~RunningProgram()
    {
        process.kill();
        process.waitForFinished(3000);
    }
    void send(const QByteArray &bytes)
    {
        (void)!::write(reader.masterFd(), bytes.constData(), size_t(bytes.size()));
    }
    qint64 pid() const { return process.processId(); }

    // Sends the record until the client has seen its absorbance.
    bool reaches(LinkProcess &client, const QByteArray &record, const QString &absorbance,
                 int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            send(record);
            QTest::qWait(100);
            if (client.lines().contains(QStringLiteral("absorbance\t") + absorbance))
                return true;
        }
        return false;
    }

    QTemporaryDir home;
    QString link = home.filePath(QStringLiteral("reader"));
    PseudoTerminal reader;
    QProcess process;
};

struct StartupWindowStub : StartupWindow {
    void setMenuCaption(const QString &, const QString &) override {}
    Status placeAtLeftEdge() override { return {}; }
};

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void deviceLossAndReturnTwentyTimes();
    void megabyteOfNoiseThenGoodRecords();
    void stormOfLineErrors();
    void storedSettings_data();
    void storedSettings();
    void unreadableSettingsFile_data();
    void unreadableSettingsFile();
    void busMisuseLeavesOtherClientsServed();
    void settingsFolderFullOrReadOnly_data();
    void settingsFolderFullOrReadOnly();
};

void TestFaults::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("no session bus: run the tests through scripts/test, which starts one");
}

void TestFaults::deviceLossAndReturnTwentyTimes()
{
    RunningProgram program;
    LinkProcess client({QStringLiteral("advise"), QStringLiteral("zav41k"), QStringLiteral("data"),
                        QStringLiteral("absorbance")});
    QVERIFY(program.reaches(client, "0001 000\r\n", QStringLiteral("0.001"), 15000));
    const int descriptorsBefore = descriptors(program.pid());
    const qint64 memoryBefore = statusKb(program.pid(), "VmRSS");
    double awayCpu = 0;
    // Each return waits for the once-a-second reopen; a leak of one descriptor a cycle shows
    // after the first. scripts/soak goes on for hours.
    constexpr int kCycles = 20;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        program.reader.close();
        const double before = cpuSeconds(program.pid());
        QTest::qWait(cycle == 0 ? 2000 : 150);
        if (cycle == 0)
            awayCpu = cpuSeconds(program.pid()) - before;
        QVERIFY(program.reader.open(program.link).isEmpty());
        const QString value = QStringLiteral("%1").arg((cycle + 2) / 1000.0, 0, 'f', 3);
        const QByteArray record = QByteArray::number(cycle + 2).rightJustified(4, '0') + " 000\r\n";
        QVERIFY2(program.reaches(client, record, value, 5000),
                 qPrintable(QStringLiteral("cycle %1").arg(cycle)));
    }
    qInfo("CPU while the device was away: %.4f s in 2 s; descriptors %d -> %d; resident %lld -> "
          "%lld kB",
          awayCpu, descriptorsBefore, descriptors(program.pid()), memoryBefore,
          statusKb(program.pid(), "VmRSS"));
    QVERIFY(awayCpu < 0.05);
    QCOMPARE(descriptors(program.pid()), descriptorsBefore);
    QVERIFY(statusKb(program.pid(), "VmRSS") < memoryBefore + 4096);
    QCOMPARE(program.process.state(), QProcess::Running);
}

void TestFaults::megabyteOfNoiseThenGoodRecords()
{
    QTemporaryDir dir;
    PseudoTerminal reader;
    const QString link = dir.filePath(QStringLiteral("reader"));
    QVERIFY(reader.open(link).isEmpty());
    ReaderHarness<SerialCommControl> window([&](int) { return Outcome<QString>(link); });
    QVERIFY(window.comm.setRThreshold(1) && window.comm.setInputLen(10) &&
            window.comm.setPortOpen(true));

    // Only the end matters here; a log of every assignment would itself grow with the noise.
    QObject::disconnect(&window.indicators, nullptr, &window.log, nullptr);
    bool sawFirst = false;
    bool done = false;
    QObject::connect(&window.indicators, &IndicatorModel::textAssigned, &window.log,
                     [&](IndicatorModel::Item item, const QString &text) {
                         if (item != IndicatorModel::Item::Absorbance)
                             return;
                         sawFirst = sawFirst || text == QLatin1String("1.234");
                         done = done || (sawFirst && text == QLatin1String("0.123"));
                     });

    QByteArray noise(1 << 20, Qt::Uninitialized);
    QRandomGenerator random(41);
    for (char &c : noise)
        c = char(random.bounded(256));
    std::atomic<bool> sent{false};
    std::thread writer([&] {
        for (qsizetype offset = 0; offset < noise.size();) {
            const ssize_t n = ::write(reader.masterFd(), noise.constData() + offset,
                                      size_t(qMin<qsizetype>(4096, noise.size() - offset)));
            if (n > 0)
                offset += n;
        }
        const QByteArray good = "\r\n1234 000\r\n0123 000\r\n";
        (void)!::write(reader.masterFd(), good.constData(), size_t(good.size()));
        sent = true;
    });
    // The first failure's box stays open for the whole run, as a box nobody answers would;
    // everything after is handled inside it.
    window.prompter.whileOpen = [&] {
        window.prompter.whileOpen = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(done, 120000);
    };
    QTRY_VERIFY_WITH_TIMEOUT(done, 120000);
    writer.join();
    QVERIFY(window.prompter.mostOpenAtOnce <= 2);
    QVERIFY(window.reader.receiveHandler().ReceiveBuffer().size() <= 10);
    QVERIFY(statusKb(::getpid(), "VmHWM") < 400 * 1024); // bounded, sanitizers included
}

void TestFaults::stormOfLineErrors()
{
    ReaderHarness<FakeCommControl> window;
    int raised = 0;
    window.prompter.whileOpen = [&] {
        for (; raised < 10000; ++raised) {
            const qint16 codes[] = {CommEventCode::Overrun, CommEventCode::ReceiveOverflow,
                                    CommEventCode::Parity};
            window.comm.raise(codes[raised % 3]);
        }
    };
    window.comm.raise(CommEventCode::Overrun);
    QCOMPARE(window.prompter.mostOpenAtOnce, 1);
    QCOMPARE(window.prompter.shown.size(), 1);
    QCOMPARE(window.prompter.beeps, 1);
    // The storm was answered; the next error is a new report.
    window.comm.raise(CommEventCode::Parity);
    QCOMPARE(window.prompter.shown.size(), 2);
}

void TestFaults::storedSettings_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("stored");     // the CommPort value as the file holds it
    QTest::addColumn<QString>("port1");         // what the Ports entry of Com1 names
    QTest::addColumn<QString>("message");       // part of the one message; empty for none
    QTest::addColumn<int>("dialogs");
    QTest::addColumn<bool>("open");

    QTest::newRow("empty: the dialog") << QByteArray("") << "LINE" << "" << 1 << true;
    QTest::newRow("blanks") << QByteArray("\"   \"") << "LINE" << "is not a number" << 1 << true;
    QTest::newRow("letters") << QByteArray("abc") << "LINE" << "is not a number" << 1 << true;
    QTest::newRow("0") << QByteArray("0") << "LINE" << "Invalid value 0 for CommPort" << 1 << true;
    QTest::newRow("-1") << QByteArray("-1") << "LINE" << "Invalid value -1 for CommPort" << 1 << true;
    QTest::newRow("17: no device") << QByteArray("17") << "LINE" << "Com17" << 1 << false;
    QTest::newRow("99999") << QByteArray("99999") << "LINE" << "out of range" << 1 << true;
    QTest::newRow("3.5 rounds to 4: no device") << QByteArray("3.5") << "LINE" << "Com4" << 1 << false;
    QTest::newRow("very long") << QByteArray(100000, '7') << "LINE" << "out of range" << 1 << true;
    QTest::newRow("binary") << QByteArray("\"\\x1\\xff\\0abc\"") << "LINE" << "is not a number" << 1 << true;
    QTest::newRow("Ports entry names a missing file") << QByteArray("1") << "DIR/missing" << "does not exist" << 1 << false;
    QTest::newRow("Ports entry names a folder") << QByteArray("1") << "DIR" << "not a serial device" << 1 << false;
    QTest::newRow("Ports entry names a plain file") << QByteArray("1") << "DIR/ZAV41K/ZAV41K.conf" << "not a serial device" << 1 << false;
    QTest::newRow("Ports entry names a device that is no line") << QByteArray("1") << "/dev/null" << "not a serial device" << 1 << false;
    QTest::newRow("Ports entry names a line without permission") << QByteArray("1") << "LOCKED" << "Permission denied" << 1 << false;
    // clang-format on
}

void TestFaults::storedSettings()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, port1);
    QFETCH(QString, message);
    QFETCH(int, dialogs);
    QFETCH(bool, open);

    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    PseudoTerminal reader;
    const QString link = home.filePath(QStringLiteral("reader"));
    QVERIFY(reader.open(link).isEmpty());
    if (port1 == QLatin1String("LOCKED")) {
        if (::geteuid() == 0)
            QSKIP("root opens any device; run as a user to check this");
        QVERIFY(QFile::setPermissions(reader.devicePath(), QFileDevice::Permissions()));
        port1 = link;
    }
    port1.replace(QStringLiteral("LINE"), link).replace(QStringLiteral("DIR"), home.path());
    QDir(home.path()).mkpath(QStringLiteral("ZAV41K"));
    QFile conf(home.filePath(QStringLiteral("ZAV41K/ZAV41K.conf")));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("[Ports]\nCom1=" + QFile::encodeName(port1) + "\n");
    if (!stored.isEmpty())
        conf.write("[Properties]\nCommPort=" + stored + "\n");
    conf.close();

    setCurrentLanguage(Language::English);
    SerialCommControl comm(PortResolver::fromSettingsFile());
    ScriptedPrompter prompter;
    StartupWindowStub window;
    Startup::Form_Load(window, comm, prompter, QLocale::c());

    QCOMPARE(prompter.portDialogs, dialogs);
    QCOMPARE(prompter.shown.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(prompter.shown.first().text.contains(message),
                 qPrintable(prompter.shown.first().text));
    QCOMPARE(comm.PortOpen().value(), open);
}

void TestFaults::unreadableSettingsFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // part of the one message, besides the file's name
    QTest::newRow("a folder in its place") << "folder"
                                           << "not a regular file";
    QTest::newRow("a FIFO in its place") << "fifo"
                                         << "not a regular file";
    QTest::newRow("a symbolic-link loop") << "loop"
                                          << "symbolic links";
    QTest::newRow("binary garbage") << "binary"
                                    << "binary data";
    QTest::newRow("UTF-16 text") << "utf16"
                                 << "UTF-16";
    QTest::newRow("a relative path for the port") << "relative"
                                                  << "not an absolute path";
}

// Start-up with a settings file that is there but cannot be used: not taken for a first start;
// the final check names the file and what is wrong with it, and the port dialog follows.
void TestFaults::unreadableSettingsFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QDir(home.path()).mkpath(QStringLiteral("ZAV41K"));
    const QString file = home.filePath(QStringLiteral("ZAV41K/ZAV41K.conf"));
    const QByteArray name = QFile::encodeName(file);
    auto write = [&file](const QByteArray &bytes) {
        QFile conf(file);
        return conf.open(QIODevice::WriteOnly) && conf.write(bytes) == bytes.size();
    };
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(file));
    else if (kind == QLatin1String("fifo"))
        QVERIFY(::mkfifo(name.constData(), 0600) == 0);
    else if (kind == QLatin1String("loop"))
        QVERIFY(QFile::link(file, file));
    else if (kind == QLatin1String("binary"))
        QVERIFY(write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));
    else if (kind == QLatin1String("utf16"))
        QVERIFY(write(QByteArray("\xff\xfe[\0P\0o\0r\0t\0s\0]\0\n\0", 18)));
    else
        QVERIFY(write("[Properties]\nCommPort=1\n[Ports]\nCom1=dev/ttyUSB0\n"));

    setCurrentLanguage(Language::English);
    SerialCommControl comm(PortResolver::fromSettingsFile());
    ScriptedPrompter prompter;
    StartupWindowStub window;
    Startup::Form_Load(window, comm, prompter, QLocale::c());

    QCOMPARE(prompter.shown.size(), 1);
    const QString message = prompter.shown.first().text;
    QVERIFY2(message.contains(file) && message.contains(reason), qPrintable(message));
    QCOMPARE(prompter.portDialogs, 1);
    QCOMPARE(comm.PortOpen().value(), false);
}

void TestFaults::busMisuseLeavesOtherClientsServed()
{
    RunningProgram program;
    LinkProcess stalled({QStringLiteral("advise"), QStringLiteral("zav41k"), QStringLiteral("data"),
                         QStringLiteral("absorbance"), QStringLiteral("wavelength"),
                         QStringLiteral("errorcode")});
    LinkProcess client({QStringLiteral("advise"), QStringLiteral("zav41k"), QStringLiteral("data"),
                        QStringLiteral("absorbance")});
    QVERIFY(program.reaches(client, "0001 000\r\n", QStringLiteral("0.001"), 15000));
    // One client subscribes and then never reads again.
    ::kill(pid_t(stalled.process().processId()), SIGSTOP);

    // Calls a well-behaved program would never make.
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto call = [&](const QString &interface, const QString &member,
                    const QVariantList &arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("zav41k.Source"), QStringLiteral("/data"), interface, member);
        message.setArguments(arguments);
        return bus.call(message, QDBus::Block, 5000);
    };
    const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
    const QString huge(4 << 20, u'x');
    QCOMPARE(
        call(properties, QStringLiteral("Get"), {QStringLiteral("zav41k.Source"), huge}).type(),
        QDBusMessage::ErrorMessage);
    QCOMPARE(call(properties, QStringLiteral("Set"),
                  {QStringLiteral("zav41k.Source"), QStringLiteral("absorbance"),
                   QVariant::fromValue(QDBusVariant(huge))})
                 .type(),
             QDBusMessage::ErrorMessage);
    QCOMPARE(call(properties, QStringLiteral("GetAll"), {42, huge, QVariantList{1, 2}}).type(),
             QDBusMessage::ErrorMessage);
    QCOMPARE(call(QStringLiteral("zav41k.Source"), QStringLiteral("Explode"), {}).type(),
             QDBusMessage::ErrorMessage);

    // Line rate for a while: the reading client gets every update all the same.
    const qsizetype before = client.lines().size();
    for (int i = 0; i < 500; ++i) {
        program.send(QByteArray::number(1000 + i) + " 000\r\n");
        QTest::qWait(10);
    }
    QTRY_COMPARE_WITH_TIMEOUT(client.lines().size() - before, qsizetype(500), 10000);
    QCOMPARE(client.lines().last(), QStringLiteral("absorbance\t1.499"));
    const QDBusMessage value =
        call(properties, QStringLiteral("Get"),
             {QStringLiteral("zav41k.Source"), QStringLiteral("absorbance")});
    QCOMPARE(value.arguments().value(0).value<QDBusVariant>().variant().toString(),
             QStringLiteral("1.499"));
    QCOMPARE(program.process.state(), QProcess::Running);
    ::kill(pid_t(stalled.process().processId()), SIGCONT);
}

void TestFaults::settingsFolderFullOrReadOnly_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("disk full") << "full";
    QTest::newRow("read-only") << "ro";
}

// The port dialog's OK with a settings folder that cannot take the write: the failure is
// reported, the dialog still closes, and the earlier file is intact.
void TestFaults::settingsFolderFullOrReadOnly()
{
    QFETCH(QString, fault);
    if (::geteuid() != 0)
        QSKIP("mounting a small file system needs root");
    QTemporaryDir home;
    auto run = [](const QStringList &arguments) {
        return QProcess::execute(QStringLiteral("mount"), arguments) == 0;
    };
    if (!run({QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
              QStringLiteral("size=64k"), QStringLiteral("tmpfs"), home.path()}))
        QSKIP("this machine does not allow mounting a file system");
    const auto unmount =
        qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {home.path()}); });
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    ProgramTitle::setTitle(QStringLiteral("ZAV41K"));
    QVERIFY(PortSetting::write(2));
    const QString file = home.filePath(QStringLiteral("ZAV41K/ZAV41K.conf"));
    QFile before(file);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray contents = before.readAll();
    before.close();

    if (fault == QLatin1String("full")) {
        QFile filler(home.filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    } else {
        QVERIFY(run({QStringLiteral("-o"), QStringLiteral("remount,ro"), home.path()}));
    }

    FakeCommControl comm;
    ScriptedPrompter prompter;
    QVERIFY(PortSelection::cmdOK_Click(comm, 3, prompter, PortSetting::write));
    // Reported, naming the file; the dialog closes with the new port in use.
    QCOMPARE(prompter.shown.size(), 1);
    QVERIFY2(prompter.shown.first().text.startsWith(
                 FailureTexts::settingsNotWritten(file, QString()).chopped(1)),
             qPrintable(prompter.shown.first().text));
    QCOMPARE(comm.CommPort().value(), qint16(4));
    QFile after(file);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), contents);
    QCOMPARE(storedPortText(), QStringLiteral("2"));
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
