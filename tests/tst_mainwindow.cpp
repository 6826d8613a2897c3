#include "app/activitybar.h"
#include "app/frmzav41k.h"
#include "app/valuelabel.h"
#include "pseudoterminal.h"
#include "resources/language.h"
#include "shell/programtitle.h"
#include "support/labsettings.h"
#include "ui/fonts.h"
#include "ui/wrappingmenubar.h"

#include <QMenu>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A settings folder whose port 1 is a pseudo-terminal, stored as the port to open.
struct Lab {
    Lab()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        writeLabSettings(home.path(), link);
    }
    QTemporaryDir home;
    QString link = home.filePath(u"reader"_s);
    PseudoTerminal reader;
};

QLabel *label(QWidget &window, const char *name)
{
    return window.findChild<QLabel *>(QString::fromLatin1(name));
}

QString menuCaptions(frmZAV41k &window)
{
    QStringList menus;
    for (QMenu *menu : window.wrappingMenuBar()->menus()) {
        QStringList items;
        for (QAction *item : menu->actions())
            items << item->text();
        menus << menu->title() + u": "_s + items.join(u", "_s);
    }
    return menus.join(u" | "_s);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Fonts::installWindowFonts(); }

    void stateAtCreation()
    {
        frmZAV41k window;
        // Nothing read yet: no number, no error, the watchdog waiting, the port closed.
        QStringList texts;
        for (const char *name : {"absorbance", "wavelength", "Label1", "errorcode"})
            texts << label(window, name)->text();
        QCOMPARE(texts, (QStringList{"", "600", "nm", "0"}));
        QVERIFY(label(window, "errorcode")->isHidden());
        QCOMPARE(window.findChild<ActivityBar *>(u"ProgressBar1"_s)->value(), 0);
        QVERIFY(window.readerLink().watchdog().isRunning());
        QVERIFY(!window.MSComm1().PortOpen().value());
        QVERIFY(!(window.windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    }

    // The window paints a few times a second, but the last of a stream of changes is always
    // painted, and the activity bar's drawings follow its value.
    void aStreamOfChangesIsPaintedToTheLast()
    {
        frmZAV41k window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QLabel *absorbance = label(window, "absorbance");
        QString painted;
        struct Watch : QObject {
            QLabel *watched;
            QString *painted;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Paint)
                    *painted = watched->text();
                return false;
            }
        } watch;
        watch.watched = absorbance;
        watch.painted = &painted;
        absorbance->installEventFilter(&watch);
        for (int i = 0; i < 30; ++i) {
            absorbance->setText(QString::number(i));
            QTest::qWait(3);
        }
        QTRY_COMPARE(painted, "29");

        auto *bar = window.findChild<ActivityBar *>(u"ProgressBar1"_s);
        const auto at = [&](int value) {
            bar->setValue(value);
            return bar->grab().toImage();
        };
        const QImage empty = at(0);
        QVERIFY(at(50) != empty);
        QCOMPARE(at(0), empty);
    }

    // The window's labels draw a new text as it stands and copy a picture of it when they paint
    // it again: both must be what QLabel draws, for each text, after every change of state.
    void labelsLookAsQLabelDoes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<bool>("wrapped");
        const int centredTop = Qt::AlignHCenter | Qt::AlignTop;
        const int leftTop = Qt::AlignLeft | Qt::AlignTop;
        QTest::newRow("absorbance") << u"0,242"_s << centredTop << false;
        QTest::newRow("wavelength") << u"510"_s << int(Qt::AlignLeft | Qt::AlignVCenter) << false;
        QTest::newRow("status, wrapped")
            << u"Check RS-232 Connection, then the reader's cable and its port"_s << leftTop
            << true;
        QTest::newRow("right to left") << u"\u0642\u0631\u0627\u0621\u0629"_s << leftTop << false;
        QTest::newRow("tab and markup") << u"<b>HI</b>\tLO"_s << int(Qt::AlignRight) << false;
    }

    void labelsLookAsQLabelDoes()
    {
        QFETCH(QString, text);
        QFETCH(int, alignment);
        QFETCH(bool, wrapped);
        QWidget window;
        ValueLabel ours(&window);
        QLabel theirs(&window);
        theirs.setTextFormat(Qt::PlainText);
        for (QLabel *each : {static_cast<QLabel *>(&ours), &theirs}) {
            each->setGeometry(0, 0, 160, 60);
            each->setFont(Fonts::font("Arial", 13.5));
            each->setAlignment(Qt::Alignment(alignment));
            each->setWordWrap(wrapped);
            each->setText(u"0"_s);
        }
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto same = [&] {
            const QImage expected = theirs.grab().toImage();
            const QImage drawn = ours.grab().toImage();
            return drawn == expected && ours.grab().toImage() == expected;
        };
        QVERIFY(same());
        for (QLabel *each : {static_cast<QLabel *>(&ours), &theirs})
            each->setText(text);
        QVERIFY(same());
        for (QLabel *each : {static_cast<QLabel *>(&ours), &theirs})
            each->setFont(Fonts::font("Arial", 24));
        QVERIFY(same());
        window.setEnabled(false);
        QVERIFY(same());
    }

    void startedMenus_data()
    {
        QTest::addColumn<bool>("french");
        QTest::addColumn<QString>("captions");
        QTest::newRow("English") << false
                                 << "&File: E&xit | &Setup: &Com Port | &Help: &Contents, &About";
        QTest::newRow("French")
            << true << "&File: &Sortir | &Organization: &COM Port | &Aide: &Contents, &Regarde";
    }

    void startedMenus()
    {
        QFETCH(bool, french);
        QFETCH(QString, captions);
        setCurrentLanguage(french ? Language::French : Language::English);
        Lab lab;
        QVERIFY(lab.reader.open(lab.link).isEmpty());
        frmZAV41k window;
        window.Form_Load();
        QCOMPARE(menuCaptions(window), captions);
        QCOMPARE(window.windowTitle(), u"ZAV41K"_s);
        setCurrentLanguage(Language::English);
    }

    void readsTheStoredPortAndExitClosesIt()
    {
        setCurrentLanguage(Language::English);
        Lab lab;
        QVERIFY(lab.reader.open(lab.link).isEmpty());
        frmZAV41k window;
        window.Form_Load();
        window.show();
        QVERIFY(window.MSComm1().PortOpen().value());
        // At the screen's left edge, centred from top to bottom.
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect screen = window.screen()->geometry(), outer = window.frameGeometry();
        QCOMPARE(outer.left(), screen.left());
        QVERIFY(qAbs(outer.top() - (screen.height() - outer.height()) / 2) <= 1);

        QCOMPARE(::write(lab.reader.masterFd(), "0123 010\r\n", 10), 10);
        QTRY_COMPARE(label(window, "absorbance")->text(), u"LO"_s);
        QCOMPARE(label(window, "errorcode")->text(), u"Under Range -- Check Zero"_s);
        QVERIFY(label(window, "errorcode")->isVisible());
        QCOMPARE(::write(lab.reader.masterFd(), "1234 000\r\n", 10), 10);
        QTRY_COMPARE(label(window, "absorbance")->text(), u"1.234"_s);
        QCOMPARE(label(window, "wavelength")->text(), u"510"_s);
        QVERIFY(label(window, "errorcode")->isHidden());
        QCOMPARE(window.findChild<ActivityBar *>(u"ProgressBar1"_s)->value(), 10);

        window.findChild<QAction *>(u"mnuFileExit"_s)->trigger();
        QVERIFY(!window.MSComm1().PortOpen().value());
        QVERIFY(!window.isVisible());
        QVERIFY(!window.readerLink().watchdog().isRunning());
        // Nothing more is handled: a record sent now changes nothing.
        ::write(lab.reader.masterFd(), "0500 100\r\n", 10);
        QTest::qWait(100);
        QCOMPARE(label(window, "absorbance")->text(), u"1.234"_s);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
