// The built program as a user meets it: a real window on a virtual display, the reader on a
// pseudo-terminal and linked programs on the session bus.

#include "support/busdaemon.h"
#include "support/childprocess.h"
#include "support/linkprocess.h"
#include "support/programprocess.h"
#include "support/virtualdisplay.h"

#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {
const QStringList kAllItems{"advise", "zav41k", "data", "absorbance", "wavelength", "errorcode"};
const QStringList kAbsorbance{"advise", "zav41k", "data", "absorbance"};
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
        // Started under another name, as a link in a lab's own folder would start it.
        ProgramProcess program;
        const QString renamed = program.home.filePath(u"reader-program"_s);
        QVERIFY(QFile::link(program.path, renamed));
        program.path = renamed;
        QVERIFY(program.start(m_display.programEnvironment()));
        LinkProcess client(kAllItems);
        QVERIFY2(program.sendUntilSeen(client, "0001 000\r\n", "absorbance\t0.001"),
                 qPrintable(client.errors() + program.errors()));
        // Markers sent before the program was up may still be coming; the records follow them.
        program.send("2675 100\r\n0123 001\r\n");
        const QStringList expected{"wavelength\t600",
                                   "absorbance\t2.68",
                                   "errorcode\t0",
                                   "wavelength\t510",
                                   "errorcode\tOver Range -- Check Zero",
                                   "absorbance\tHI"};
        QTRY_COMPARE(client.lines().mid(client.lines().size() - expected.size()), expected);

        // The window's class is the one the desktop entry names, whatever the program's name.
        const QString window = m_display.shownWindow(u"^ZAV41K$"_s);
        QProcess xprop;
        xprop.setProcessEnvironment(m_display.toolEnvironment());
        xprop.start(u"xprop"_s, {"-id", window, "WM_CLASS"}); // WM_CLASS = "instance", "class"
        QVERIFY(xprop.waitForFinished(5000));
        QFile entry(qEnvironmentVariable("ZAV41K_DESKTOP_ENTRY"));
        QVERIFY2(entry.open(QIODevice::ReadOnly), "ZAV41K_DESKTOP_ENTRY names the desktop entry");
        const QString wmClass =
            QString::fromUtf8(xprop.readAllStandardOutput()).section(u'"', 3, 3);
        QVERIFY2(entry.readAll().contains("\nStartupWMClass=" + wmClass.toUtf8() + '\n'),
                 qPrintable(wmClass));

        // File > Exit, through the real menus; the keys go to the menu once it is open.
        QVERIFY(!m_display.xdotool({"mousemove", "--window", window, "20", "10", "click", "1"})
                     .isNull());
        QTRY_COMPARE_WITH_TIMEOUT(m_display.visibleWindowsOfClass(u"zav41k"_s), 2, 10000);
        QVERIFY(m_display.keys({"Down", "Return"}));
        QVERIFY(program.process.waitForFinished(5000));
        QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process.exitCode(), 0);
        QVERIFY(!program.errors().contains(u"not published"_s));
    }

    void portChosenAfterAFailedStartIsOpened()
    {
        ProgramProcess program;
        // The stored port names an adapter that is not plugged in; the reader is on Com2.
        QFile conf(program.home.filePath(u"ZAV41K/ZAV41K.conf"_s));
        QVERIFY(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
        conf.write("[Properties]\nCommPort=1\n[Ports]\nCom1=" +
                   QFile::encodeName(program.home.filePath(u"unplugged"_s)) +
                   "\nCom2=" + QFile::encodeName(program.link) + "\n");
        conf.close();
        QVERIFY(program.start(m_display.programEnvironment()));

        // The final check's message, then the port dialog: Com2 and OK, from the keyboard.
        QTRY_COMPARE_WITH_TIMEOUT(m_display.visibleWindows(u"^ZAV41K$"_s), 1, 10000);
        QVERIFY(m_display.keys({"Return"}));
        QTRY_COMPARE_WITH_TIMEOUT(m_display.visibleWindows(u"^ZAV-41K Comm Port$"_s), 1, 10000);
        QVERIFY(m_display.keys({"Tab", "Tab", "Down", "Return"}));
        QTRY_COMPARE_WITH_TIMEOUT(m_display.visibleWindows(u"^ZAV-41K Comm Port$"_s), 0, 10000);

        // The port is read from at once, without a restart, and the choice is stored.
        LinkProcess client(kAbsorbance);
        QVERIFY2(program.sendUntilSeen(client, "0042 000\r\n", "absorbance\t0.042"),
                 qPrintable(client.errors() + program.errors()));
        QVERIFY(conf.open(QIODevice::ReadOnly));
        QVERIFY(conf.readAll().startsWith("[Properties]\nCommPort=2\n"));
    }

    // Another process holds the source's name: linked programs would get its values, so that is
    // said at once, naming it, and so is the moment the name is the program's.
    void anotherOwnerOfTheBusNameIsSaid()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerService(u"zav41k.Source"_s));
        // A failure here must not leave the name held for the tests after it.
        const auto release = qScopeGuard([&bus] { bus.unregisterService(u"zav41k.Source"_s); });
        const QString owner =
            u"owned by process %1 (tst_program)"_s.arg(QCoreApplication::applicationPid());
        LinkProcess items(kAbsorbance);
        LinkProcess readings({"readings"});
        for (LinkProcess *client : {&items, &readings})
            QTRY_VERIFY2(client->errors().contains(u"zav41k.Source is "_s + owner +
                                                   u", which is not ZAV41K"_s),
                         qPrintable(client->errors()));
        ProgramProcess program;
        QVERIFY(program.start(m_display.programEnvironment()));
        QVERIFY2(program.hasSaid(owner), qPrintable(program.errors()));
        // Once in a box beside the window too, for a user who never sees standard error.
        QTRY_COMPARE_WITH_TIMEOUT(m_display.visibleWindows(u"^ZAV41K$"_s), 2, 10000);
        QVERIFY(m_display.keys({"Return"}));
        QTRY_COMPARE(m_display.visibleWindows(u"^ZAV41K$"_s), 1);
        QVERIFY(!program.errors().contains(u"now this program's"_s));
        QVERIFY(bus.unregisterService(u"zav41k.Source"_s));
        QVERIFY2(program.hasSaid(u"now this program's"_s, 10000), qPrintable(program.errors()));
        // The program's own values are followed without a word of doubt.
        QTRY_VERIFY(readings.errors().count(u"the source is running"_s) >= 2);
        QCOMPARE(readings.errors().count(u"which is not ZAV41K"_s), 1);
        QCOMPARE(items.errors().count(u"which is not ZAV41K"_s), 1);
    }

    // A client that subscribes and then never reads again: the program does not wait for it, and
    // the others get every update at line rate.
    void aStalledClientHoldsNoOneUp()
    {
        ProgramProcess program;
        QVERIFY(program.start());
        LinkProcess stalled(kAllItems);
        LinkProcess client(kAbsorbance);
        QVERIFY(program.sendUntilSeen(client, "0001 000\r\n", "absorbance\t0.001"));
        QVERIFY(program.sendUntilSeen(stalled, "0002 000\r\n", "absorbance\t0.002"));
        ::kill(pid_t(stalled.process().processId()), SIGSTOP);
        const auto resume =
            qScopeGuard([&] { ::kill(pid_t(stalled.process().processId()), SIGCONT); });
        QStringList expected;
        for (int i = 1000; i < 1500; ++i) {
            program.send(QByteArray::number(i) + " 000\r\n");
            expected << u"absorbance\t%1"_s.arg(i / 1000.0, 0, 'f', 3);
            QTest::qWait(10); // the reader's pace
        }
        QTRY_COMPARE_WITH_TIMEOUT(client.lines().mid(client.lines().size() - 500), expected, 10000);
    }

    void publishesAgainAfterTheBusRestarts()
    {
        QTemporaryDir folder;
        BusDaemon bus(folder.path());
        QVERIFY(bus.start());
        ProgramProcess program;
        QProcessEnvironment environment = ProgramProcess::offscreen();
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, bus.address());
        QVERIFY(program.start(environment));
        const QByteArray ownBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
        LinkProcess client(kAbsorbance);
        qputenv("DBUS_SESSION_BUS_ADDRESS", ownBus);
        QVERIFY2(program.sendUntilSeen(client, "0001 000\r\n", "absorbance\t0.001"),
                 qPrintable(client.errors()));

        bus.kill();
        QTest::qWait(2500); // both notice, and try again a few times
        QVERIFY(bus.start());
        QVERIFY2(program.sendUntilSeen(client, "0002 000\r\n", "absorbance\t0.002"),
                 qPrintable(client.errors() + program.errors()));
        QCOMPARE(program.errors().count(u"the session bus is gone"_s), 1);
        QCOMPARE(program.errors().count(u"the session bus is back"_s), 1);
        QCOMPARE(client.errors().count(u"the session bus is gone"_s), 1);
        QCOMPARE(program.process.state(), QProcess::Running);
    }

    void linkNamesInAnyCase_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        const QString topics = u"zav41k has no topic \"dat\"; its topics are: data"_s;
        // clang-format off
        QTest::newRow("upper case") << true << QStringList{"ZAV41K", "DATA", "Absorbance"} << 0 << "0.500";
        QTest::newRow("mixed case") << true << QStringList{"Zav41K", "Data", "WAVELENGTH"} << 0 << "600";
        QTest::newRow("own case") << true << QStringList{"zav41k", "data", "errorcode"} << 0 << "0";
        QTest::newRow("no such topic") << true << QStringList{"zav41k", "dat", "absorbance"} << 2 << topics;
        QTest::newRow("no such item") << true << QStringList{"ZAV41K", "data", "absorb"} << 2
            << "the topic data of zav41k has no item \"absorb\"; its items are: absorbance, wavelength, errorcode, Label1";
        QTest::newRow("no such topic, not running") << false << QStringList{"zav41k", "dat", "absorbance"} << 2 << topics;
        QTest::newRow("upper case, not running") << false << QStringList{"ZAV41K", "DATA", "ABSORBANCE"} << 1
            << "the source is not running (nothing owns zav41k.Source on the session bus)";
        // clang-format on
    }

    void linkNamesInAnyCase()
    {
        QFETCH(bool, running);
        QFETCH(QStringList, names);
        QFETCH(int, status);
        QFETCH(QString, said);
        ProgramProcess program;
        if (running) {
            QVERIFY(program.start());
            LinkProcess ready(kAbsorbance);
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

    // Output that goes to a full disk is lost: each client says so and ends with status 1.
    void outputThatCannotBeWrittenEndsTheClient_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("request") << QStringList{"request", "zav41k", "data", "absorbance"};
        QTest::newRow("advise") << QStringList{"advise", "zav41k", "data", "absorbance"};
        QTest::newRow("readings") << QStringList{"readings"};
        QTest::newRow("readings as JSON") << QStringList{"readings", "--json"};
    }

    void outputThatCannotBeWrittenEndsTheClient()
    {
        QFETCH(QStringList, arguments);
        ProgramProcess program;
        QVERIFY(program.start());
        LinkProcess ready(kAbsorbance);
        QVERIFY(program.sendUntilSeen(ready, "0500 100\r\n", "absorbance\t0.500"));
        ChildProcess client(u"sh"_s, QStringList{"-c", "exec \"$0\" \"$@\" >/dev/full",
                                                 qEnvironmentVariable("ZAV41K_LINK")} +
                                         arguments);
        for (int i = 0; i < 50 && client.process().state() == QProcess::Running; ++i) {
            program.send("0600 100\r\n");
            QTest::qWait(100);
        }
        QCOMPARE(client.exitCode(), 1);
        QVERIFY2(client.errors().contains(u"cannot write"_s), qPrintable(client.errors()));
    }

private:
    VirtualDisplay m_display;
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
