#include "support/linkprocess.h"
#include "support/programprocess.h"
#include "support/virtualdisplay.h"

#include <QDBusVariant>
#include <QTest>

#include <csignal>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

// A second start of the program in the same user session, under a window manager: it brings
// the running program's window to the front and ends, having touched neither the port nor the
// screen; the running program goes on reading.
class TestSecondStart : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus: run the tests through scripts/test, which starts one");
        QString why;
        QVERIFY2(m_display.start(&why), qPrintable(why));
    }

    void bringsTheRunningWindowForward()
    {
        ProgramProcess first;
        const QString window = startFirst(first);
        QVERIFY2(!window.isEmpty(), qPrintable(first.process.readAllStandardError()));
        QVERIFY(stillReads(first, "0123 000\r\n", "absorbance\t0.123"));
        // Another program's window over it, with the focus, as the user's work would be.
        QProcess cover;
        cover.setProcessEnvironment(m_display.toolEnvironment());
        cover.start("xmessage", {"-title", "cover", "-geometry", "800x600+0+0", "cover"});
        QVERIFY2(cover.waitForStarted(5000), "xmessage is needed for this test");
        const QString covering = m_display.shownWindow("^cover$");
        QVERIFY(!covering.isEmpty());
        // Until the window manager has taken the window on, it cannot be activated.
        QTRY_VERIFY_WITH_TIMEOUT(!m_display.xdotool({"windowactivate", covering}).isNull() &&
                                     m_display.xdotool({"getactivewindow"}).trimmed() == covering,
                                 10000);

        const QString said = startSecond(first);
        QVERIFY2(said.contains("zav41k: the program already runs; its window is brought to the "
                               "front, and this start ends\n"),
                 qPrintable(said));
        // The window has the focus, over the other; no second window, no box about the port.
        QTRY_COMPARE_WITH_TIMEOUT(m_display.xdotool({"getactivewindow"}).trimmed(), window, 10000);
        QCOMPARE(m_display.visibleWindows("^ZAV41K$"), 1);
        QCOMPARE(m_display.visibleWindows("."), 2);
        cover.kill();
        cover.waitForFinished(3000);
        QVERIFY(stillReads(first, "0456 000\r\n", "absorbance\t0.456"));

        // Whatever is asked over the bus, the window alone is given, and the program reads on.
        const QString application = "org.freedesktop.Application";
        const QVariant write = QVariant::fromValue(QDBusVariant(u"0.999"_s));
        const struct {
            QString interface, member;
            QVariantList arguments;
        } calls[] = {
            {application, "Activate", {QVariantMap()}},
            {application, "Open", {QStringList{"file:///etc/passwd"}, QVariantMap()}},
            {application, "ActivateAction", {"quit", QVariantList(), QVariantMap()}},
            {application, "Activate", {"now"}},
            {"org.freedesktop.DBus.Properties", "Set", {"zav41k.Source", "absorbance", write}},
            {"zav41k.Source", "Quit", {}},
        };
        QStringList answers;
        for (const auto &c : calls) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                "org.zav41k.zav41k", "/org/zav41k/zav41k", c.interface, c.member);
            call.setArguments(c.arguments);
            const QDBusMessage answer =
                QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
            answers << (answer.type() == QDBusMessage::ReplyMessage
                            ? u"answered"_s
                            : answer.errorName().section(u'.', -1));
        }
        QCOMPARE(answers.join(u' '), u"answered NotSupported NotSupported UnknownMethod "
                                     "UnknownMethod UnknownMethod"_s);
        QDBusMessage get = QDBusMessage::createMethodCall("zav41k.Source", "/data",
                                                          "org.freedesktop.DBus.Properties", "Get");
        get << QString("zav41k.Source") << QString("absorbance");
        const QDBusMessage value = QDBusConnection::sessionBus().call(get, QDBus::Block, 10000);
        QCOMPARE(value.arguments().value(0).value<QDBusVariant>().variant().toString(), u"0.456"_s);
        QCOMPARE(first.process.state(), QProcess::Running);
    }

    // The first start on no session bus; its lock in the settings folder, or (where a folder
    // stands in its place) in the runtime folder, or nowhere. A second start on no bus, then
    // one on the test's bus, find the first by the lock wherever there is one.
    void theLockFindsAFirstStartOnNoBus_data()
    {
        QTest::addColumn<bool>("blocked"); // a folder where the lock file would be
        QTest::addColumn<bool>("runtimeFolder");
        QTest::addColumn<QString>("firstSays");
        QTest::newRow("the settings folder's lock") << false << true << "";
        QTest::newRow("the runtime folder's lock") << true << true << "the lock cannot be made (";
        QTest::newRow("no lock at all") << true << false << "no lock can be made (";
    }

    void theLockFindsAFirstStartOnNoBus()
    {
        QFETCH(bool, blocked);
        QFETCH(bool, runtimeFolder);
        QFETCH(QString, firstSays);
        ProgramProcess first;
        QString host = QSysInfo::machineHostName().replace(u'/', u'_');
        if (blocked)
            QVERIFY(QDir(first.home.path()).mkpath(u"ZAV41K/ZAV41K.%1.lock"_s.arg(host)));
        QTemporaryDir runtime;
        QProcessEnvironment extra;
        extra.insert("XDG_RUNTIME_DIR", runtimeFolder ? runtime.path() : QString());
        const QString noBus = "unix:path=/nonexistent/bus";
        QVERIFY(!startFirst(first, noBus, extra).isEmpty());
        if (!firstSays.isEmpty())
            QVERIFY2(first.errors().contains("zav41k: " + firstSays) &&
                         first.errors().contains("ZAV41K." + host),
                     qPrintable(first.errors()));
        if (runtimeFolder) {
            const QString said = startSecond(first, noBus);
            QVERIFY2(said.contains(u"zav41k: the program already runs for this user (process %1), "
                                   "on no session bus shared with this start, so its window cannot "
                                   "be brought to the front; this start ends\n"_s.arg(
                                       first.process.processId())),
                     qPrintable(said));
            QVERIFY(startSecond(first).contains("already runs for this user"));
        }
        QCOMPARE(m_display.visibleWindows("."), 1);
        QCOMPARE(first.process.state(), QProcess::Running);
    }

    void aStartRightAfterACrashRuns()
    {
        // The bus sees a killed program go a moment after the kernel does; a start meanwhile
        // finds the name still held, by nobody who answers.
        ProgramProcess first;
        QVERIFY(!startFirst(first).isEmpty());
        qint64 running = first.process.processId();
        std::vector<std::unique_ptr<QProcess>> later;
        for (int round = 1; round <= 5; ++round) {
            auto next = std::make_unique<QProcess>();
            next->setProcessEnvironment(first.process.processEnvironment());
            next->setProgram(qEnvironmentVariable("ZAV41K_PROGRAM"));
            ::kill(static_cast<pid_t>(running), SIGKILL);
            next->start();
            QVERIFY(next->waitForStarted(5000));
            // The new program's own window, as long as a loaded machine needs to start it under
            // sanitizers: the killed one's may still be mapped a moment, and counted alone it
            // would pass for it. Then the killed one's is gone.
            const QStringList own{
                "search", "--all",   "--onlyvisible", "--pid", QString::number(next->processId()),
                "--name", "^ZAV41K$"};
            QTRY_VERIFY_WITH_TIMEOUT(!m_display.xdotool(own).trimmed().isEmpty(), 30000);
            QTRY_COMPARE(m_display.visibleWindows("^ZAV41K$"), 1);
            QTest::qWait(500);
            QVERIFY2(next->state() == QProcess::Running, next->readAllStandardError().constData());
            const QByteArray count = QByteArray::number(100 + round);
            QVERIFY(stillReads(first, "0" + count + " 000\r\n", "absorbance\t0." + count));
            running = next->processId();
            later.push_back(std::move(next));
        }
        later.back()->kill();
        for (const std::unique_ptr<QProcess> &start : later)
            start->waitForFinished(3000);
    }

private:
    // Starts the first program, on this test's bus unless `bus` names another, and waits for
    // its window; its id.
    QString startFirst(ProgramProcess &first, const QString &bus = QString(),
                       const QProcessEnvironment &extra = {})
    {
        QProcessEnvironment environment = m_display.programEnvironment();
        if (!bus.isEmpty())
            environment.insert("DBUS_SESSION_BUS_ADDRESS", bus);
        for (const QString &name : extra.keys())
            environment.insert(name, extra.value(name));
        return first.start(environment) ? m_display.shownWindow("^ZAV41K$") : QString();
    }

    // A second start with the first's settings; what it said on standard error.
    QString startSecond(ProgramProcess &first, const QString &bus = QString())
    {
        QProcess second;
        QProcessEnvironment environment = first.process.processEnvironment();
        if (!bus.isEmpty())
            environment.insert("DBUS_SESSION_BUS_ADDRESS", bus);
        second.setProcessEnvironment(environment);
        second.start(qEnvironmentVariable("ZAV41K_PROGRAM"));
        if (!second.waitForFinished(20000))
            return "<still running>";
        if (second.exitStatus() != QProcess::NormalExit || second.exitCode() != 0)
            return QString("<status %1> ").arg(second.exitCode()) + second.readAllStandardError();
        return QString::fromUtf8(second.readAllStandardError());
    }

    bool stillReads(ProgramProcess &first, const QByteArray &record, const QString &line)
    {
        LinkProcess client({"advise", "zav41k", "data", "absorbance"});
        return first.sendUntilSeen(client, record, line);
    }

    VirtualDisplay m_display{VirtualDisplay::Manager::Openbox};
};

QTEST_GUILESS_MAIN(TestSecondStart)
#include "tst_secondstart.moc"
