#include "dialogs/frmproperties.h"
#include "resources/language.h"
#include "shell/programtitle.h"
#include "shell/settingsstore.h"
#include "support/fakecommcontrol.h"
#include "support/labsettings.h"
#include "support/scriptedprompter.h"
#include "ui/fonts.h"

#include <QtTest>
#include <QtWidgets>

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

    void listShowsSixteenPortsWithTheCurrentSelected()
    {
        Dialog d(3);
        QVERIFY(d.load());
        QComboBox *list = d.cboPort();
        QCOMPARE(list->count(), 16);
        QCOMPARE(list->itemText(0), u"Com1"_s);
        QCOMPARE(list->itemText(15), u"Com16"_s);
        QCOMPARE(list->currentText(), u"Com3"_s);
        QVERIFY(!list->isEditable());
        QCOMPARE(list->itemData(1, Qt::ToolTipRole).toString(), u"/dev/serial/by-id/reader"_s);
        QCOMPARE(list->itemData(0, Qt::ToolTipRole).toString(), u"no device"_s);
    }

    void focusStartsOnOk()
    {
        Dialog d(1);
        QVERIFY(d.load());
        d.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.dialog));
        QCOMPARE(d.dialog.focusWidget(), d.child<QWidget>("cmdOK"));
        // Tab goes on to Cancel, then to the list.
        QTest::keyClick(d.dialog.focusWidget(), Qt::Key_Tab);
        QCOMPARE(d.dialog.focusWidget(), d.child<QWidget>("cmdCancel"));
        QTest::keyClick(d.dialog.focusWidget(), Qt::Key_Tab);
        QCOMPARE(d.dialog.focusWidget(), d.cboPort());
    }

    void escapePressesNoButton()
    {
        Dialog d(1);
        QVERIFY(d.load());
        d.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.dialog));
        QTest::keyClick(d.dialog.focusWidget(), Qt::Key_Escape);
        QVERIFY(d.dialog.isVisible());
        QCOMPARE(d.dialog.result(), 0);
        QVERIFY(d.comm.calls.isEmpty() || d.comm.calls == QStringList{u"CommPort"_s});
    }

    void enterPressesOk()
    {
        Dialog d(1);
        QVERIFY(d.load());
        d.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.dialog));
        d.cboPort()->setFocus();
        d.cboPort()->setCurrentIndex(1);
        QTest::keyClick(d.cboPort(), Qt::Key_Return);
        QCOMPARE(d.dialog.result(), int(QDialog::Accepted));
        QVERIFY(!d.dialog.isVisible());
        QCOMPARE(d.comm.CommPort().value(), qint16(2));
        QVERIFY(d.comm.PortOpen().value());
        QCOMPARE(storedPortText(), u"2"_s);
    }

    void cancelAndCloseBoxChangeNothing_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Cancel") << false;
        QTest::newRow("close box") << true;
    }

    void cancelAndCloseBoxChangeNothing()
    {
        QFETCH(bool, closeBox);
        Dialog d(4);
        QVERIFY(d.load());
        d.dialog.show();
        d.cboPort()->setCurrentIndex(7);
        d.comm.calls.clear();
        if (closeBox)
            d.dialog.close();
        else
            QTest::mouseClick(d.child<QPushButton>("cmdCancel"), Qt::LeftButton);
        QCOMPARE(d.dialog.result(), int(QDialog::Rejected));
        QVERIFY(!d.dialog.isVisible());
        QVERIFY(d.comm.calls.isEmpty());
        QCOMPARE(d.comm.CommPort().value(), qint16(4));
        QCOMPARE(storedPortText(), QString());
    }

    void failedChangeKeepsTheDialogAndTheChoice()
    {
        Dialog d(1);
        QVERIFY(d.load());
        d.dialog.show();
        d.comm.failingOnce.insert(u"setPortOpen(true)"_s);
        d.cboPort()->setCurrentIndex(4);
        QTest::mouseClick(d.child<QPushButton>("cmdOK"), Qt::LeftButton);
        QVERIFY(d.dialog.isVisible());
        QCOMPARE(d.cboPort()->currentText(), u"Com5"_s);
        QCOMPARE(d.prompter.shown.size(), 1);
        QCOMPARE(d.comm.CommPort().value(), qint16(1));
        QVERIFY(d.comm.PortOpen().value());
        QCOMPARE(storedPortText(), QString());
    }

    void portOutsideTheListSelectsNothing()
    {
        Dialog d(17);
        QVERIFY(d.load());
        QCOMPARE(d.cboPort()->currentIndex(), -1);
        QTest::mouseClick(d.child<QPushButton>("cmdOK"), Qt::LeftButton);
        QCOMPARE(d.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(d.comm.CommPort().value(), qint16(17));
        QCOMPARE(storedPortText(), u"17"_s);
    }
};

QTEST_MAIN(TestFrmProperties)
#include "tst_frmproperties.moc"
