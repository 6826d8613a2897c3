#include "support/busdaemon.h"
#include "support/linkprocess.h"
#include "support/programprocess.h"
#include "support/virtualdisplay.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using Program = ProgramProcess;

bool run(const QString &program, const QStringList &arguments,
         const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    return process.waitForFinished(5000) && process.exitCode() == 0;
}

} // namespace

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus: run the tests through scripts/test, which starts one");
        QString why;
        QVERIFY2(m_display.start(&why), qPrintable(why));
    }

    void readsPublishesAndEndsOnFileExit()
    {
        Program program;
        program.start(displayEnvironment());
        QVERIFY(program.process.waitForStarted(5000));

        LinkProcess client({u"advise"_s, u"zav41k"_s, u"data"_s, u"absorbance"_s, u"wavelength"_s,
                            u"errorcode"_s});
        QVERIFY2(program.sendUntilSeen(client, "0001 000\r\n", u"absorbance\t0.001"_s),
                 qPrintable(client.errors() +
                            QString::fromUtf8(program.process.readAllStandardError())));
        // Markers sent before the program was up may still be coming; the records follow them.
        program.send("2675 100\r\n0123 001\r\n");
        const QStringList expected{"wavelength\t600",
                                   "absorbance\t2.68",
                                   "errorcode\t0",
                                   "wavelength\t510",
                                   "errorcode\tOver Range -- Check Zero",
                                   "absorbance\tHI"};
        QTRY_COMPARE(client.lines().mid(client.lines().size() - expected.size()), expected);

        // File > Exit, through the real menus.
        const QProcessEnvironment tools = toolEnvironment();
        const QString window = m_display.xdotool({u"search"_s, u"--name"_s, u"^ZAV41K$"_s})
                                   .section(u'\n', 0, 0)
                                   .trimmed();
        QVERIFY(!window.isEmpty());
        QVERIFY(run(u"xdotool"_s,
                    {u"mousemove"_s, u"--window"_s, window, u"20"_s, u"10"_s, u"click"_s, u"1"_s},
                    tools));
        // The keys go to the menu once it is open: the window and the menu.
        QTRY_COMPARE_WITH_TIMEOUT(m_display.visibleWindowsOfClass(u"zav41k"_s), 2, 10000);
        QVERIFY(run(u"xdotool"_s, {u"key"_s, u"Down"_s, u"Return"_s}, tools));
        QVERIFY(program.process.waitForFinished(5000));
        QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process.exitCode(), 0);
        QVERIFY(!QString::fromUtf8(program.process.readAllStandardError())
                     .contains(u"not published"_s));
    }

    void readingsStayWholeWhileABoxWaits()
    {
        Program program;
        program.start(displayEnvironment());
        QVERIFY(program.process.waitForStarted(5000));
        LinkProcess client({u"advise"_s, u"zav41k"_s, u"data"_s, u"absorbance"_s, u"wavelength"_s,
                            u"errorcode"_s});
        QVERIFY(program.sendUntilSeen(client, "0001 000\r\n", u"absorbance\t0.001"_s));
        QTest::qWait(300);

        // A bad count opens the decoder's box; a record arrives while nobody answers it.
        program.send("0777 000\r\n12a4 100\r\n");
        QTest::qWait(500);
        program.send("0555 000\r\n");
        const QStringList expected{"wavelength\t510", "absorbance\t0.777", "errorcode\t0",
                                   "wavelength\t600", "absorbance\t0.777", "errorcode\t0",
                                   "wavelength\t510", "absorbance\t0.555", "errorcode\t0"};
        QTRY_COMPARE(client.lines().mid(client.lines().size() - expected.size()), expected);
        // The window and the box.
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(u"^ZAV41K$"_s), 2, 10000);
        const qsizetype before = client.lines().size();
        // OK, late; the box has the keyboard focus.
        QVERIFY(run(u"xdotool"_s, {u"key"_s, u"Return"_s}, toolEnvironment()));
        QTRY_COMPARE(visibleWindows(u"^ZAV41K$"_s), 1);
        QTest::qWait(500);
        // Answering the box adds nothing: the interrupted record had already been shown whole.
        QCOMPARE(client.lines().size(), before);
        QCOMPARE(program.process.state(), QProcess::Running);
    }

    void portChosenAfterAFailedStartIsOpened()
    {
        Program program;
        // The stored port names an adapter that is not plugged in; the reader is on Com2.
        QFile conf(program.home.filePath(u"ZAV41K/ZAV41K.conf"_s));
        QVERIFY(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
        conf.write("[Properties]\nCommPort=1\n[Ports]\nCom1=" +
                   QFile::encodeName(program.home.filePath(u"unplugged"_s)) +
                   "\nCom2=" + QFile::encodeName(program.link) + "\n");
        conf.close();
        program.start(displayEnvironment());
        QVERIFY(program.process.waitForStarted(5000));

        // The final check's message, then the port dialog: Com2 and OK, from the keyboard.
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(u"^ZAV41K$"_s), 1, 10000);
        QVERIFY(run(u"xdotool"_s, {u"key"_s, u"Return"_s}, toolEnvironment()));
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(u"^ZAV-41K Comm Port$"_s), 1, 10000);
        QVERIFY(run(u"xdotool"_s, {u"key"_s, u"Tab"_s, u"Tab"_s, u"Down"_s, u"Return"_s},
                    toolEnvironment()));
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(u"^ZAV-41K Comm Port$"_s), 0, 10000);

        // The port is read from at once, without a restart, and the choice is stored.
        LinkProcess client({u"advise"_s, u"zav41k"_s, u"data"_s, u"absorbance"_s});
        QVERIFY2(program.sendUntilSeen(client, "0042 000\r\n", u"absorbance\t0.042"_s),
                 qPrintable(client.errors() + program.process.readAllStandardError()));
        QVERIFY(conf.open(QIODevice::ReadOnly));
        QVERIFY(conf.readAll().startsWith("[Properties]\nCommPort=2\n"));
    }

    void runsWithoutSessionBus()
    {
        Program program;
        QProcessEnvironment environment;
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/bus"_s);
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.start(environment);
        QVERIFY(program.process.waitForStarted(5000));
        // The warning comes once the window is built; from then on a signal closes it.
        QString errors;
        QVERIFY(QTest::qWaitFor(
            [&] {
                errors += QString::fromUtf8(program.process.readAllStandardError());
                return errors.contains(u"not published"_s);
            },
            15000));
        program.send("1234 000\r\n");
        QTest::qWait(500);
        QCOMPARE(program.process.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(program.process.processId()), SIGTERM);
        QVERIFY(program.process.waitForFinished(5000));
        QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process.exitCode(), 0);
        errors += QString::fromUtf8(program.process.readAllStandardError());
        QCOMPARE(errors.count(u"not published"_s), 1);
    }

    // Another process holds the source's name: linked programs would get its values, so that is
    // said at once, naming it, and so is the moment the name is the program's.
    void anotherOwnerOfTheBusNameIsSaid()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerService(u"zav41k.Source"_s));
        // A failure here must not leave the name held for the tests after it.
        const auto release = qScopeGuard([&bus] { bus.unregisterService(u"zav41k.Source"_s); });
        // Linked programs say whose values they follow, for the items and for the readings.
        const QString foreign =
            QStringLiteral("zav41k.Source is owned by process %1 (tst_program), "
                           "which is not ZAV41K")
                .arg(QCoreApplication::applicationPid());
        LinkProcess items({u"advise"_s, u"zav41k"_s, u"data"_s, u"absorbance"_s});
        LinkProcess readings({u"readings"_s});
        QTRY_VERIFY2(items.errors().contains(foreign), qPrintable(items.errors()));
        QTRY_VERIFY2(readings.errors().contains(foreign), qPrintable(readings.errors()));
        Program program;
        program.start(displayEnvironment());
        QByteArray said;
        auto hasSaid = [&](const QString &text) {
            said += program.process.readAllStandardError();
            return QString::fromUtf8(said).contains(text);
        };
        const QString owner =
            u"owned by process %1 (tst_program)"_s.arg(QCoreApplication::applicationPid());
        QVERIFY2(QTest::qWaitFor([&] { return hasSaid(owner); }, 15000), said.constData());
        // Once in a box beside the window too, for a user who never sees standard error.
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(u"^ZAV41K$"_s), 2, 10000);
        QVERIFY(run(u"xdotool"_s, {u"key"_s, u"Return"_s}, toolEnvironment()));
        QTRY_COMPARE(visibleWindows(u"^ZAV41K$"_s), 1);
        QVERIFY(!hasSaid(u"now this program's"_s));
        QVERIFY(bus.unregisterService(u"zav41k.Source"_s));
        QVERIFY2(QTest::qWaitFor([&] { return hasSaid(u"now this program's"_s); }, 10000),
                 said.constData());
        // The program's own values are followed without a word of doubt.
        QTRY_VERIFY(readings.errors().count(u"the source is running"_s) >= 2);
        QCOMPARE(readings.errors().count(u"which is not ZAV41K"_s), 1);
        QCOMPARE(items.errors().count(u"which is not ZAV41K"_s), 1);
    }

    // A client that subscribes and then never reads again: the program does not wait for it, and
    // the others get every update at line rate.
    void aStalledClientHoldsNoOneUp()
    {
        Program program;
        QProcessEnvironment environment;
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.start(environment);
        LinkProcess stalled({"advise", "zav41k", "data", "absorbance", "wavelength", "errorcode"});
        LinkProcess client({"advise", "zav41k", "data", "absorbance"});
        QVERIFY(program.sendUntilSeen(client, "0001 000\r\n", "absorbance\t0.001"));
        QVERIFY(program.sendUntilSeen(stalled, "0002 000\r\n", "absorbance\t0.002"));
        ::kill(pid_t(stalled.process().processId()), SIGSTOP);
        const auto resume =
            qScopeGuard([&] { ::kill(pid_t(stalled.process().processId()), SIGCONT); });
        QStringList expected;
        for (int i = 0; i < 500; ++i) {
            program.send(QByteArray::number(1000 + i) + " 000\r\n");
            expected << u"absorbance\t%1"_s.arg((1000 + i) / 1000.0, 0, 'f', 3);
            QTest::qWait(10); // the reader's pace
        }
        QTRY_COMPARE_WITH_TIMEOUT(client.lines().mid(client.lines().size() - 500), expected, 10000);
    }

    void publishesAgainAfterTheBusRestarts()
    {
        QTemporaryDir folder;
        BusDaemon bus(folder.path());
        QVERIFY(bus.start());
        Program program;
        QProcessEnvironment environment;
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, bus.address());
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.start(environment);
        QVERIFY(program.process.waitForStarted(5000));

        const QByteArray ownBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
        LinkProcess client({u"advise"_s, u"zav41k"_s, u"data"_s, u"absorbance"_s});
        qputenv("DBUS_SESSION_BUS_ADDRESS", ownBus);
        auto reaches = [&](const QByteArray &record, const QString &value) {
            for (int i = 0; i < 150; ++i) {
                program.send(record);
                QTest::qWait(100);
                if (client.lines().contains(value))
                    return true;
            }
            return false;
        };
        QVERIFY2(reaches("0001 000\r\n", u"absorbance\t0.001"_s), qPrintable(client.errors()));

        bus.kill();
        QTest::qWait(2500); // both notice, and try again a few times
        QVERIFY(bus.start());
        const bool republished = reaches("0002 000\r\n", u"absorbance\t0.002"_s);
        const QString said = QString::fromUtf8(program.process.readAllStandardError());
        QVERIFY2(republished, qPrintable(client.errors() + said));
        QCOMPARE(said.count(u"the session bus is gone"_s), 1);
        QCOMPARE(said.count(u"the session bus is back"_s), 1);
        const QString clientSaid = client.errors();
        QCOMPARE(clientSaid.count(u"the session bus is gone"_s), 1);
        QCOMPARE(program.process.state(), QProcess::Running);
    }

    void linkNamesInAnyCase_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");

        const QString topics = u"zav41k has no topic \"dat\"; its topics are: data"_s;
        QTest::newRow("upper case")
            << true << QStringList{"ZAV41K", "DATA", "Absorbance"} << 0 << "0.500";
        QTest::newRow("mixed case")
            << true << QStringList{"Zav41K", "Data", "WAVELENGTH"} << 0 << "600";
        QTest::newRow("own case") << true << QStringList{"zav41k", "data", "errorcode"} << 0 << "0";
        QTest::newRow("no such topic")
            << true << QStringList{"zav41k", "dat", "absorbance"} << 2 << topics;
        QTest::newRow("no such item")
            << true << QStringList{"ZAV41K", "data", "absorb"} << 2
            << "the topic data of zav41k has no item \"absorb\"; its items are: absorbance, "
               "wavelength, errorcode, Label1";
        QTest::newRow("no such topic, not running")
            << false << QStringList{"zav41k", "dat", "absorbance"} << 2 << topics;
        QTest::newRow("upper case, not running")
            << false << QStringList{"ZAV41K", "DATA", "ABSORBANCE"} << 1
            << "the source is not running (nothing owns zav41k.Source on the session bus)";
    }

    void linkNamesInAnyCase()
    {
        QFETCH(bool, running);
        QFETCH(QStringList, names);
        QFETCH(int, status);
        QFETCH(QString, said);

        Program program;
        if (running) {
            QProcessEnvironment environment;
            environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
            program.start(environment);
            QVERIFY(program.process.waitForStarted(5000));
            LinkProcess ready({"advise", "zav41k", "data", "absorbance"});
            QVERIFY(program.sendUntilSeen(ready, "0500 100\r\n", "absorbance\t0.500"));
        }
        LinkProcess request(QStringList{"request"} + names);
        QVERIFY(request.process().waitForFinished(10000));
        QCOMPARE(request.process().exitCode(), status);
        if (status == 0)
            QCOMPARE(request.lines(), QStringList{said});
        else
            QCOMPARE(request.errors().trimmed(), "zav41k-link: " + said);
    }

    void followsInAnyCaseBeforeTheStart()
    {
        // Nothing runs yet to say how the names are spelt; the program's own names stand for it.
        LinkProcess client({"advise", "ZAV41K", "Data", "ABSORBANCE"});
        QTRY_VERIFY_WITH_TIMEOUT(client.errors().contains("waiting for zav41k.Source"), 5000);
        Program program;
        QProcessEnvironment environment;
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.start(environment);
        QVERIFY(program.process.waitForStarted(5000));
        QVERIFY2(program.sendUntilSeen(client, "0077 000\r\n", "absorbance\t0.077"),
                 qPrintable(client.errors()));
    }

    void windowClassIsTheDesktopEntrys()
    {
        // Started under another name, as a link in a lab's own folder would start it.
        Program program;
        const QString renamed = program.home.filePath(u"reader-program"_s);
        QVERIFY(QFile::link(program.path, renamed));
        program.path = renamed;
        program.start(displayEnvironment());
        QVERIFY(program.process.waitForStarted(5000));
        const QString window = shownMainWindow();
        QVERIFY(!window.isEmpty());

        QProcess xprop;
        xprop.setProcessEnvironment(toolEnvironment());
        xprop.start(u"xprop"_s, {"-id", window, "WM_CLASS"});
        QVERIFY(xprop.waitForFinished(5000));
        // WM_CLASS(STRING) = "instance", "class"
        const QString said = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
        const QString windowClass = said.section(u'"', 3, 3);

        QFile entry(qEnvironmentVariable("ZAV41K_DESKTOP_ENTRY"));
        QVERIFY2(entry.open(QIODevice::ReadOnly),
                 "ZAV41K_DESKTOP_ENTRY must name the desktop entry");
        QString named;
        for (const QByteArray &line : entry.readAll().split('\n')) {
            if (line.startsWith("StartupWMClass="))
                named = QString::fromUtf8(line.mid(int(qstrlen("StartupWMClass="))));
        }
        QVERIFY2(!named.isEmpty(), "the desktop entry names no window class");
        QVERIFY2(windowClass == named, qPrintable(said));
    }

    void everyFrenchMenuIsReachedByItsMnemonic()
    {
        Program program;
        QProcessEnvironment french = displayEnvironment();
        french.insert(u"LC_ALL"_s, u"fr_FR.UTF-8"_s);
        program.start(french);
        QVERIFY(program.process.waitForStarted(5000));
        const QString window = shownMainWindow();
        QVERIFY(!window.isEmpty());

        // Alt+A opens "&Aide", the last menu, and R chooses "&Regarde" in it: the About box.
        QVERIFY2(!m_display.xdotool({"windowfocus", "--sync", window}).isNull(),
                 qPrintable(m_display.lastError()));
        QVERIFY2(!m_display.xdotool({"key", "alt+a"}).isNull(), qPrintable(m_display.lastError()));
        QTRY_COMPARE_WITH_TIMEOUT(m_display.visibleWindowsOfClass(u"zav41k"_s), 2, 10000);
        QVERIFY2(!m_display.xdotool({"key", "r"}).isNull(), qPrintable(m_display.lastError()));
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(u"^D'Abord ZAV41K$"_s), 1, 10000);
        program.process.terminate();
        QVERIFY(program.process.waitForFinished(5000));
    }

private:
    QProcessEnvironment displayEnvironment() const { return m_display.programEnvironment(); }
    QProcessEnvironment toolEnvironment() const { return m_display.toolEnvironment(); }
    int visibleWindows(const QString &title) const { return m_display.visibleWindows(title); }

    // The id of the program's window once it is shown; empty when it is not within 15 s.
    QString shownMainWindow()
    {
        QString found;
        (void)QTest::qWaitFor(
            [&] {
                found =
                    m_display.xdotool({"search", "--onlyvisible", "--name", "^ZAV41K$"}).trimmed();
                return !found.isEmpty();
            },
            15000);
        return found.section(u'\n', 0, 0);
    }

    VirtualDisplay m_display;
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
