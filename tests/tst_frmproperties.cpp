#include "dialogs/frmproperties.h"
#include "resources/language.h"
#include "shell/programtitle.h"
#include "shell/settingsstore.h"
#include "support/fakecommcontrol.h"
#include "support/labsettings.h"
#include "support/scriptedprompter.h"
#include "ui/fonts.h"

#include <QComboBox>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Dialog {
    explicit Dialog(int port, bool open = true)
    {
        setCurrentLanguage(Language::English);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        (void)comm.setPortOpen(false);
        (void)comm.setCommPort(static_cast<qint16>(port));
        (void)comm.setPortOpen(open);
        comm.calls.clear();
    }

    bool load() { return dialog.Form_Load().isOk(); }
    template <typename T> T *child(const char *name)
    {
        return dialog.findChild<T *>(QString::fromLatin1(name));
    }
    QComboBox *cboPort() { return child<QComboBox>("cboPort"); }

    QTemporaryDir home;
    FakeCommControl comm;
    ScriptedPrompter prompter;
    frmProperties dialog{comm, prompter, [](int port) {
                             return port == 2 ? u"/dev/serial/by-id/reader"_s : u"no device"_s;
                         }};
};

} // namespace

class TestFrmProperties : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Fonts::installWindowFonts(); }

    // Rows: the port before, the list entry chosen (-1: none), what the user does, the
    // operations that fail once, and what follows: the dialog's result and whether it stays,
    // the control's port, what was stored and the boxes shown.
    void userActions_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("outcome");
        // clang-format off
        QTest::newRow("Enter presses OK") << 1 << 1 << "Enter" << "" << "accepted, written, port 2 open, stored 2";
        QTest::newRow("Escape presses no button") << 1 << 1 << "Escape" << "" << "stays on Com2, port 1 open, stored ";
        QTest::newRow("Cancel changes nothing") << 4 << 7 << "Cancel" << "" << "rejected, port 4 open, stored ";
        QTest::newRow("the close box changes nothing") << 4 << 7 << "close" << "" << "rejected, port 4 open, stored ";
        QTest::newRow("a failed change keeps the dialog and the choice") << 1 << 4 << "OK" << "setPortOpen(true)" << "stays on Com5, written, port 1 open, stored , 1 box";
        QTest::newRow("a port outside the list selects nothing") << 17 << -1 << "OK" << "" << "accepted, written, port 17 open, stored 17";
        // clang-format on
    }

    void userActions()
    {
        QFETCH(int, port);
        QFETCH(int, chosen);
        QFETCH(QString, action);
        QFETCH(QString, failing);
        QFETCH(QString, outcome);
        Dialog d(port);
        QVERIFY(d.load());
        d.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.dialog));
        QCOMPARE(d.cboPort()->currentIndex(), port <= 16 ? port - 1 : -1);
        // Sixteen ports, each with the device it leads to; the focus starts on OK.
        QCOMPARE(d.cboPort()->count(), 16);
        QCOMPARE(d.cboPort()->itemData(1, Qt::ToolTipRole).toString(),
                 u"/dev/serial/by-id/reader"_s);
        QCOMPARE(d.dialog.focusWidget(), d.child<QWidget>("cmdOK"));
        if (chosen >= 0)
            d.cboPort()->setCurrentIndex(chosen);
        if (!failing.isEmpty())
            d.comm.fail(u"!"_s + failing);
        d.comm.calls.clear();
        if (action == "Enter"_L1 || action == "Escape"_L1)
            QTest::keyClick(d.cboPort(), action == "Enter"_L1 ? Qt::Key_Return : Qt::Key_Escape);
        else if (action == "close"_L1)
            d.dialog.close();
        else
            QTest::mouseClick(d.child<QPushButton>(action == "OK"_L1 ? "cmdOK" : "cmdCancel"),
                              Qt::LeftButton);
        const bool written = !d.comm.calls.filter(u"set"_s).isEmpty();
        QString got = d.dialog.isVisible() ? u"stays on "_s + d.cboPort()->currentText()
                      : d.dialog.result() == QDialog::Accepted ? u"accepted"_s
                                                               : u"rejected"_s;
        got += (written ? u", written"_s : QString()) +
               u", port %1 %2, stored %3"_s.arg(d.comm.CommPort().value())
                   .arg(d.comm.PortOpen().value() ? u"open"_s : u"closed"_s, storedPortText());
        if (!d.prompter.shown.isEmpty())
            got += u", %1 box"_s.arg(d.prompter.shown.size());
        QCOMPARE(got, outcome);
    }
};

QTEST_MAIN(TestFrmProperties)
#include "tst_frmproperties.moc"
