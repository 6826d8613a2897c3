#include "common/prompter.h"
#include "link/serialcommcontrol.h"
#include "pseudoterminal.h"
#include "resources/language.h"
#include "shell/portresolver.h"
#include "shell/portselection.h"
#include "support/fakecommcontrol.h"
#include "support/readerharness.h"
#include "support/scriptedprompter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

class TestPortSelection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setCurrentLanguage(Language::English); }

    void okPress_data()
    {
        // clang-format off
        QTest::addColumn<int>("oldPort");
        QTest::addColumn<bool>("wasOpen");
        QTest::addColumn<int>("selected");     // list entry; -1 for none
        QTest::addColumn<QString>("failing");  // operations that fail, "!" for the first time only
        QTest::addColumn<int>("port");         // the control's port afterwards
        QTest::addColumn<bool>("open");        // and its state
        QTest::addColumn<QString>("stored");   // what was stored; empty for nothing
        QTest::addColumn<QString>("message"); // the one message shown; empty for none
        QTest::addColumn<bool>("closes");

        QTest::newRow("same port, open: no close or reopen, stored again")
            << 3 << true << 2 << "" << 3 << true << "3" << "" << true;
        QTest::newRow("same port, closed: stays closed")
            << 3 << false << 2 << "" << 3 << false << "3" << "" << true;
        QTest::newRow("open port 1 to port 2")
            << 1 << true << 1 << "" << 2 << true << "2" << "" << true;
        QTest::newRow("closed port changes number and stays closed")
            << 1 << false << 3 << "" << 4 << false << "4" << "" << true;
        QTest::newRow("new port cannot open: rollback reopens the old")
            << 1 << true << 1 << "!setPortOpen(true)" << 1 << true << "" << "device failure" << false;
        QTest::newRow("rollback reopens a port that was closed")
            << 1 << false << 1 << "setCommPort" << 1 << true << "" << "device failure" << false;
        QTest::newRow("old port cannot close: the latest failure is shown")
            << 1 << true << 1 << "setPortOpen(false)" << 1 << true << "" << "invalid port" << false;
        QTest::newRow("open state unreadable is taken as open")
            << 1 << true << 1 << "!PortOpen" << 1 << true << "" << "device failure" << false;
        QTest::newRow("port number unreadable: change reported, rollback to 0 refused")
            << 1 << true << 1 << "!CommPort" << 2 << true << "" << "device failure" << false;
        QTest::newRow("port number unreadable, no change: reported at the settings check")
            << 1 << true << -1 << "!CommPort" << 1 << true << "" << "device failure" << false;
        QTest::newRow("line settings fail: change stays, nothing stored")
            << 1 << true << 1 << "setSettings" << 2 << true << "" << "device failure" << false;
        QTest::newRow("handshaking fails: change stays, nothing stored")
            << 1 << true << 1 << "setHandshaking" << 2 << true << "" << "device failure" << false;
        QTest::newRow("port outside the list, none selected: no change")
            << 17 << true << -1 << "" << 17 << true << "17" << "" << true;
        QTest::newRow("store fails: reported, dialog closes, port in use")
            << 1 << true << 1 << "store" << 2 << true << "" << "disk full" << true;
        QTest::newRow("stored is what the control reports")
            << 1 << true << 4 << "" << 5 << true << "5" << "" << true;
        // clang-format on
    }

    void okPress() { checkOkPress(PortSelection::OkOpens::Nothing); }

    void okAfterAFailedStart_data()
    {
        // clang-format off
        QTest::addColumn<int>("oldPort");
        QTest::addColumn<bool>("wasOpen");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("closes");

        QTest::newRow("the port chosen is opened")
            << 1 << false << 3 << "" << 4 << true << "4" << "" << true;
        QTest::newRow("the same port, closed, is opened")
            << 2 << false << 1 << "" << 2 << true << "2" << "" << true;
        QTest::newRow("an open port stays open, not opened twice")
            << 1 << true << 0 << "setPortOpen(true)" << 1 << true << "1" << "" << true;
        QTest::newRow("the open fails: said, the dialog stays, nothing stored")
            << 1 << false << 3 << "setPortOpen(true)" << 4 << false << "" << "device failure" << false;
        // clang-format on
    }

    void okAfterAFailedStart() { checkOkPress(PortSelection::OkOpens::ClosedPort); }

    // The number stored is read back from the control after the change, not the one asked for.
    void storesWhatTheControlReports()
    {
        FakeCommControl comm;
        QVERIFY(comm.setPortOpen(false).isOk());
        QVERIFY(comm.setCommPort(1).isOk());
        comm.renumberBy = 1;
        ScriptedPrompter prompter;
        QList<qint16> stored;
        const auto store = [&](qint16 number) {
            stored.append(number);
            return Status();
        };
        QVERIFY(PortSelection::cmdOK_Click(comm, 3, prompter, store));
        QCOMPARE(comm.CommPort().value(), qint16(5));
        QCOMPARE(stored, QList<qint16>{5});
        QVERIFY(prompter.shown.isEmpty());
    }

    // Two pseudo-terminals mapped to ports 1 and 2: after OK with Com2, records sent on port 2 are
    // read and records sent on port 1 are not.
    void movesTheRealLine()
    {
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        QVERIFY(QDir(home.path()).mkpath(u"ZAV41K"_s));
        const QString one = home.filePath(u"one"_s);
        const QString two = home.filePath(u"two"_s);
        QFile conf(home.filePath(u"ZAV41K/ZAV41K.conf"_s));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write(u"[Ports]\nCom1=%1\nCom2=%2\n"_s.arg(one, two).toUtf8());
        conf.close();
        PseudoTerminal portOne;
        PseudoTerminal portTwo;
        QVERIFY(portOne.open(one).isEmpty());
        QVERIFY(portTwo.open(two).isEmpty());

        ReaderHarness<SerialCommControl> window(PortResolver::fromSettingsFile());
        QVERIFY(window.comm.setRThreshold(1) && window.comm.setInputLen(10));
        QVERIFY(window.comm.setPortOpen(true));
        QCOMPARE(window.comm.devicePath(), one);

        QVERIFY(PortSelection::cmdOK_Click(window.comm, 1, window.prompter,
                                           [](qint16) { return Status(); }));
        QCOMPARE(window.comm.devicePath(), two);
        QVERIFY(window.comm.PortOpen().value());

        QCOMPARE(::write(portOne.masterFd(), "0111 000\r\n", 10), 10);
        QCOMPARE(::write(portTwo.masterFd(), "0222 000\r\n", 10), 10);
        QTRY_COMPARE(window.absorbances(), QStringList{u"0.222"_s});
        QTest::qWait(100);
        QCOMPARE(window.absorbances(), QStringList{u"0.222"_s});
        QCOMPARE(window.prompter.shown.size(), 0);
    }

private:
    void checkOkPress(PortSelection::OkOpens opens)
    {
        QFETCH(int, oldPort);
        QFETCH(bool, wasOpen);
        QFETCH(int, selected);
        QFETCH(QString, failing);
        QFETCH(int, port);
        QFETCH(bool, open);
        QFETCH(QString, stored);
        QFETCH(QString, message);
        QFETCH(bool, closes);

        FakeCommControl comm;
        QVERIFY(comm.setPortOpen(false).isOk());
        QVERIFY(comm.setCommPort(static_cast<qint16>(oldPort)).isOk());
        if (wasOpen)
            QVERIFY(comm.setPortOpen(true).isOk());
        for (const QString &operation : failing.split(u',', Qt::SkipEmptyParts)) {
            if (operation.startsWith(u'!'))
                comm.failingOnce.insert(operation.mid(1));
            else
                comm.failing.insert(operation);
        }

        ScriptedPrompter prompter;
        QString storedText;
        const bool closed = PortSelection::cmdOK_Click(
            comm, selected, prompter,
            [&](qint16 number) {
                if (comm.failing.contains(u"store"_s))
                    return Status(Failure{Failure::SettingsWrite, u"disk full"_s});
                storedText = QString::number(number);
                return Status();
            },
            opens);

        comm.failing.clear();
        comm.failingOnce.clear();
        QCOMPARE(closed, closes);
        QCOMPARE(int(comm.CommPort().value()), port);
        QCOMPARE(comm.PortOpen().value(), open);
        QCOMPARE(storedText, stored);
        QCOMPARE(prompter.shown.size(), message.isEmpty() ? 0 : 1);
        for (const ScriptedPrompter::Shown &box : prompter.shown) {
            QCOMPARE(box.text, message);
            QCOMPARE(box.icon, Prompter::Icon::Exclamation);
            QCOMPARE(box.buttons, Prompter::Buttons::Ok);
            QVERIFY(box.title.isEmpty()); // the program title
        }
    }
};

QTEST_GUILESS_MAIN(TestPortSelection)
#include "tst_portselection.moc"
