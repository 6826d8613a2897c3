#include "common/prompter.h"
#include "link/serialcommcontrol.h"
#include "pseudoterminal.h"
#include "resources/language.h"
#include "shell/portresolver.h"
#include "shell/portselection.h"
#include "support/fakecommcontrol.h"
#include "support/readerharness.h"
#include "support/scriptedprompter.h"

#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

class TestPortSelection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setCurrentLanguage(Language::English); }

    // Rows: the port before ("3 open"), the list entry chosen (-1: none), the operations that
    // fail ("!" the first time only, "+1" a control that takes the next number) and what follows:
    // the port after, what was stored, the message shown and whether the dialog closes.
    void okPress_data()
    {
        QTest::addColumn<int>("opens"); // PortSelection::OkOpens
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("after");
        const int nothing = int(PortSelection::OkOpens::Nothing);
        const int closed = int(PortSelection::OkOpens::ClosedPort);
        // clang-format off
        QTest::newRow("same port, open: no close or reopen, stored again") << nothing << "3 open" << 2 << "" << "3 open, stored 3, closes";
        QTest::newRow("same port, closed: stays closed") << nothing << "3 closed" << 2 << "" << "3 closed, stored 3, closes";
        QTest::newRow("open port 1 to port 2") << nothing << "1 open" << 1 << "" << "2 open, stored 2, closes";
        QTest::newRow("closed port changes number and stays closed") << nothing << "1 closed" << 3 << "" << "4 closed, stored 4, closes";
        QTest::newRow("new port cannot open: rollback reopens the old") << nothing << "1 open" << 1 << "!setPortOpen(true)" << "1 open, said device failure";
        QTest::newRow("rollback reopens a port that was closed") << nothing << "1 closed" << 1 << "setCommPort" << "1 open, said device failure";
        QTest::newRow("old port cannot close: the latest failure is shown") << nothing << "1 open" << 1 << "setPortOpen(false)" << "1 open, said invalid port";
        QTest::newRow("open state unreadable is taken as open") << nothing << "1 open" << 1 << "!PortOpen" << "1 open, said device failure";
        QTest::newRow("port number unreadable: change reported, rollback to 0 refused") << nothing << "1 open" << 1 << "!CommPort" << "2 open, said device failure";
        QTest::newRow("port number unreadable, no change: reported at the settings check") << nothing << "1 open" << -1 << "!CommPort" << "1 open, said device failure";
        QTest::newRow("line settings fail: change stays, nothing stored") << nothing << "1 open" << 1 << "setSettings" << "2 open, said device failure";
        QTest::newRow("handshaking fails: change stays, nothing stored") << nothing << "1 open" << 1 << "setHandshaking" << "2 open, said device failure";
        QTest::newRow("port outside the list, none selected: no change") << nothing << "17 open" << -1 << "" << "17 open, stored 17, closes";
        QTest::newRow("store fails: reported, dialog closes, port in use") << nothing << "1 open" << 1 << "store" << "2 open, said disk full, closes";
        QTest::newRow("stored is what the control reports, not what was asked") << nothing << "1 open" << 3 << "+1" << "5 open, stored 5, closes";
        QTest::newRow("after a failed start: the port chosen is opened") << closed << "1 closed" << 3 << "" << "4 open, stored 4, closes";
        QTest::newRow("after a failed start: the same port, closed, is opened") << closed << "2 closed" << 1 << "" << "2 open, stored 2, closes";
        QTest::newRow("after a failed start: an open port is not opened twice") << closed << "1 open" << 0 << "setPortOpen(true)" << "1 open, stored 1, closes";
        QTest::newRow("after a failed start: the open fails, the dialog stays") << closed << "1 closed" << 3 << "setPortOpen(true)" << "4 closed, said device failure";
        // clang-format on
    }

    void okPress()
    {
        QFETCH(int, opens);
        QFETCH(QString, before);
        QFETCH(int, selected);
        QFETCH(QString, failing);
        QFETCH(QString, after);
        FakeCommControl comm;
        QVERIFY(comm.setPortOpen(false).isOk());
        QVERIFY(comm.setCommPort(qint16(before.section(u' ', 0, 0).toInt())).isOk());
        QVERIFY(comm.setPortOpen(before.endsWith(u"open"_s)).isOk());
        comm.renumberBy = failing == "+1"_L1 ? 1 : 0; // a control that takes another number
        comm.fail(failing);
        ScriptedPrompter prompter;
        QString outcome;
        const bool closes = PortSelection::cmdOK_Click(
            comm, selected, prompter,
            [&](qint16 number) {
                if (comm.failing.contains(u"store"_s))
                    return Status(Failure{Failure::SettingsWrite, u"disk full"_s});
                outcome += u", stored "_s + QString::number(number);
                return Status();
            },
            PortSelection::OkOpens(opens));
        comm.failing.clear();
        comm.failingOnce.clear();
        for (const ScriptedPrompter::Shown &box : prompter.shown) {
            outcome += u", said "_s + box.text;
            // A warning under the program's title.
            QCOMPARE(box.icon, Prompter::Icon::Exclamation);
            QCOMPARE(box.buttons, Prompter::Buttons::Ok);
            QVERIFY(box.title.isEmpty());
        }
        const QString port = u"%1 %2"_s.arg(comm.CommPort().value())
                                 .arg(comm.PortOpen().value() ? u"open"_s : u"closed"_s);
        QCOMPARE(port + outcome + (closes ? u", closes"_s : QString()), after);
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
};

QTEST_GUILESS_MAIN(TestPortSelection)
#include "tst_portselection.moc"
