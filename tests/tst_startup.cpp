#include "resources/language.h"
#include "shell/portselection.h"
#include "shell/programtitle.h"
#include "shell/settingsstore.h"
#include "shell/startup.h"
#include "support/fakecommcontrol.h"
#include "support/labsettings.h"
#include "support/scriptedprompter.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct FakeWindow : StartupWindow {
    void setMenuCaption(const QString &menu, const QString &caption) override
    {
        captions.append(menu + u'=' + caption);
    }
    Status placeAtLeftEdge() override
    {
        ++placements;
        return placementFails ? Status(Failure{Failure::DeviceError, u"no screen"_s}) : Status();
    }
    QStringList captions;
    int placements = 0;
    bool placementFails = false;
};

// A fresh start: the control as the window creates it (port 1, closed), the settings folder
// empty unless the test stores something.
struct Start {
    Start()
    {
        setCurrentLanguage(Language::English);
        ProgramTitle::setTitle(u"unset"_s);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        (void)comm.setPortOpen(false);
        comm.calls.clear();
    }

    void run() { Startup::Form_Load(window, comm, prompter, QLocale::c()); }

    // Stored as by an earlier run, under the title that start-up sets.
    bool store(const QString &text)
    {
        return SettingsStore::write(u"ZAV41K"_s, u"Properties"_s, u"CommPort"_s, text).isOk();
    }

    QStringList messages() const
    {
        QStringList texts;
        for (const ScriptedPrompter::Shown &box : prompter.shown)
            texts.append(box.text);
        return texts;
    }

    QTemporaryDir home;
    FakeCommControl comm;
    ScriptedPrompter prompter;
    FakeWindow window;
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    // Rows: what is stored ("-" nothing), the operations of the control that fail ("!" once),
    // the entry chosen in the port dialog (-1: Cancel), and what follows: the port, the boxes
    // shown, the dialogs and what is stored after.
    void paths_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("after");
        // clang-format off
        QTest::newRow("first start, OK with Com3") << "-" << "" << 2 << "3 open, 1 dialog, stored 3";
        QTest::newRow("first start, Cancel opens port 1") << "-" << "" << -1 << "1 open, 1 dialog, stored ";
        QTest::newRow("stored 2") << "2" << "" << -1 << "2 open, 0 dialog, stored 2";
        QTest::newRow("stored letters: port 1 opened, then the message and the dialog") << "abc" << "" << -1 << "1 open, said \"abc\" is not a number, 1 dialog, stored abc";
        QTest::newRow("stored letters and port 1 cannot open: the later failure") << "abc" << "setPortOpen(true)" << -1 << "1 closed, said device failure, 1 dialog, stored abc";
        QTest::newRow("stored blanks are not nothing") << "  " << "" << -1 << "1 open, said \"  \" is not a number, 1 dialog, stored   ";
        QTest::newRow("stored port beyond the range") << "99999" << "" << -1 << "1 open, said \"99999\" is out of range (-32768 to 32767), 1 dialog, stored 99999";
        QTest::newRow("stored port 0 refused by the control") << "0" << "" << -1 << "1 open, said invalid port, 1 dialog, stored 0";
        QTest::newRow("stored port missing or in use") << "7" << "setPortOpen(true)" << -1 << "7 closed, said device failure, 1 dialog, stored 7";
        QTest::newRow("stored port missing, another chosen: it is opened") << "7" << "!setPortOpen(true)" << 1 << "2 open, said device failure, 1 dialog, stored 2";
        QTest::newRow("stored port missing, the one chosen cannot open either: said, not stored") << "7" << "setPortOpen(true)" << 1 << "2 closed, said device failure, said device failure, 1 dialog, stored 7";
        QTest::newRow("settings statement fails: message, no dialog, port closed") << "2" << "setSettings" << -1 << "1 closed, said device failure, 0 dialog, stored 2";
        QTest::newRow("threshold statement fails") << "2" << "setRThreshold" << -1 << "1 closed, said device failure, 0 dialog, stored 2";
        QTest::newRow("DTR statement fails") << "2" << "setDTREnable" << -1 << "1 closed, said device failure, 0 dialog, stored 2";
        // clang-format on
    }

    void paths()
    {
        QFETCH(QString, stored);
        QFETCH(QString, failing);
        QFETCH(int, choice);
        QFETCH(QString, after);
        Start s;
        if (stored != u"-"_s)
            QVERIFY(s.store(stored));
        s.comm.fail(failing);
        s.prompter.onPortDialog = [&] {
            if (choice >= 0) {
                // The user picks an entry and presses OK; the dialog closes when that succeeds.
                // As the real dialog does: after a failed start, OK opens the port chosen.
                const bool afterFailure =
                    s.prompter.portDialogUses.last() == Prompter::PortDialogUse::AfterFailedStart;
                PortSelection::cmdOK_Click(s.comm, choice, s.prompter, PortSetting::write,
                                           afterFailure ? PortSelection::OkOpens::ClosedPort
                                                        : PortSelection::OkOpens::Nothing);
            }
            return Status();
        };
        s.run();
        QCOMPARE(ProgramTitle::title(), u"ZAV41K"_s);
        s.comm.failing.clear();
        QString outcome = u"%1 %2"_s.arg(s.comm.CommPort().value())
                              .arg(s.comm.PortOpen().value() ? u"open"_s : u"closed"_s);
        for (const ScriptedPrompter::Shown &box : s.prompter.shown) {
            outcome += u", said "_s + box.text;
            // A warning under the program's title.
            QVERIFY(box.icon == Prompter::Icon::Exclamation &&
                    box.buttons == Prompter::Buttons::Ok);
            QVERIFY(box.title.isEmpty());
        }
        outcome += u", %1 dialog, stored %2"_s.arg(s.prompter.portDialogs).arg(storedPortText());
        QCOMPARE(outcome, after);
    }

    void lineStatementsInOrderThenPort()
    {
        Start s;
        QVERIFY(s.store(u"4"_s));
        s.run();
        QCOMPARE(s.comm.calls,
                 (QStringList{"setSettings", "setRThreshold", "setInputLen", "setHandshaking",
                              "setDTREnable", "setCommPort", "setPortOpen(true)"}));
        QCOMPARE(s.comm.Settings().value(), u"9600,N,8,1"_s);
        QCOMPARE(s.comm.RThreshold().value(), qint16(1));
        QCOMPARE(s.comm.InputLen().value(), qint16(10));
        QCOMPARE(s.comm.Handshaking().value(), 0);
        QCOMPARE(s.comm.DTREnable().value(), false);
        QCOMPARE(s.window.placements, 1);
    }

    void failureBeforeTheLineIsReportedAtTheFirstCheck()
    {
        Start s;
        QVERIFY(s.store(u"2"_s));
        s.window.placementFails = true;
        s.run();
        QCOMPARE(s.messages(), QStringList{u"no screen"_s});
        // The settings statement ran, its check reported the earlier failure and start-up ended.
        QCOMPARE(s.comm.calls, QStringList{u"setSettings"_s});
        QCOMPARE(s.prompter.portDialogs, 0);
        QVERIFY(!s.comm.PortOpen().value());
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
