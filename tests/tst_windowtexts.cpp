// Every text of every window can be read whole, in both languages, at the scale factor the
// test is run at (QT_SCALE_FACTOR, one run per factor), and is in one font family.

#include "app/frmzav41k.h"
#include "dialogs/frmabout.h"
#include "dialogs/frmproperties.h"
#include "pseudoterminal.h"
#include "resources/language.h"
#include "support/clippedtexts.h"
#include "support/fakecommcontrol.h"
#include "support/labsettings.h"
#include "support/scriptedprompter.h"
#include "ui/fonts.h"
#include "ui/wrappingmenubar.h"

#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray report(const QStringList &clipped)
{
    return u"at scale %1: %2"_s
        .arg(QString::fromLocal8Bit(qgetenv("QT_SCALE_FACTOR")), clipped.join(u"; "_s))
        .toLocal8Bit();
}

// The font families that a window and everything in it (menus too) are drawn in.
QStringList families(const QWidget &window)
{
    QStringList found{QFontInfo(window.font()).family()};
    for (const QWidget *widget : window.findChildren<QWidget *>())
        found.append(QFontInfo(widget->font()).family());
    found.removeDuplicates();
    return found;
}

int rowsHeight(const WrappingMenuBar &bar)
{
    int height = 0;
    for (const QMenuBar *row : bar.rows())
        height += row->height();
    return height;
}

// The main window started on a line of its own, in the language of the row.
struct StartedWindow {
    explicit StartedWindow(Language language)
    {
        setCurrentLanguage(language);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        writeLabSettings(home.path(), line);
        reader.open(line);
        window.Form_Load();
        window.show();
    }
    ~StartedWindow() { setCurrentLanguage(Language::English); }

    QTemporaryDir home;
    QString line = home.filePath(u"reader"_s);
    PseudoTerminal reader;
    frmZAV41k window;
};

} // namespace

class TestWindowTexts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Fonts::installWindowFonts(); }
    void cleanup() { setCurrentLanguage(Language::English); }

    void mainWindow_data()
    {
        QTest::addColumn<Language>("language");
        QTest::addColumn<QStringList>("records");
        const QList<std::pair<const char *, QStringList>> states = {
            {"reading", {"1234 000"}},
            {"negative at 600 nm", {"-999 100"}},
            {"marker", {"9999 000"}},
            {"under range", {"0123 010"}},
            {"over range", {"1234 001"}},
            {"both flags", {"1234 011"}},
            {"no data", {}},
        };
        for (const auto &[state, records] : states) {
            QTest::addRow("%s, English", state) << Language::English << records;
            QTest::addRow("%s, French", state) << Language::French << records;
        }
    }

    void mainWindow()
    {
        QFETCH(Language, language);
        QFETCH(QStringList, records);
        StartedWindow started(language);
        QVERIFY(QTest::qWaitForWindowExposed(&started.window));
        for (const QString &record : records)
            started.window.readerLink().decoder().DecodeReading(record);
        if (records.isEmpty())
            started.window.readerLink().watchdog().Timer1_Timer();
        const QStringList clipped = clippedTexts(started.window);
        QVERIFY2(clipped.isEmpty(), report(clipped).constData());
        QCOMPARE(families(started.window), QStringList{"Liberation Sans"});
    }
    void dialogs_data()
    {
        QTest::addColumn<Language>("language");
        QTest::addColumn<bool>("about"); // or the port dialog
        for (const bool about : {true, false}) {
            QTest::addRow("%s, English", about ? "about" : "port") << Language::English << about;
            QTest::addRow("%s, French", about ? "about" : "port") << Language::French << about;
        }
    }

    void dialogs()
    {
        QFETCH(Language, language);
        QFETCH(bool, about);
        setCurrentLanguage(language);
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        FakeCommControl comm;
        ScriptedPrompter prompter;
        (void)comm.setCommPort(16); // the longest entry
        if (about)
            checkDialog<frmAbout>();
        else
            checkDialog<frmProperties>(comm, prompter);
    }

    void menuBarWrapsAndKeepsTheClientArea()
    {
        StartedWindow started(Language::French);
        frmZAV41k &window = started.window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QSize clientArea = window.centralWidget()->size();
        WrappingMenuBar *bar = window.wrappingMenuBar();
        QCOMPARE(bar->rows().size(), 1);

        // A caption too long for one row with the others, as a desktop's larger font would make.
        QMenu *setup = window.findChild<QMenu *>(u"mnuSetup"_s);
        setup->setTitle(u"&Organisation des ports"_s);
        QTRY_VERIFY(bar->rows().size() > 1);
        QTRY_COMPARE(bar->height(), rowsHeight(*bar));
        QCOMPARE(window.centralWidget()->size(), clientArea);
        QCOMPARE(window.size().height(), bar->height() + clientArea.height());
        QVERIFY2(clippedTexts(window).isEmpty(), report(clippedTexts(window)).constData());

        // The last menu is reached directly, by its mnemonic, on whichever row it is.
        QMenu *help = window.findChild<QMenu *>(u"mnuHelp"_s);
        QCOMPARE(bar->rows().last()->actions().last(), help->menuAction());
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(help->isVisible());
        help->close();

        // A shorter caption brings the menus back into one row.
        setup->setTitle(u"&Organization"_s);
        QTRY_COMPARE(bar->rows().size(), 1);
        QTRY_COMPARE(bar->height(), rowsHeight(*bar));
        QCOMPARE(window.centralWidget()->size(), clientArea);
        QCOMPARE(window.size().height(), bar->height() + clientArea.height());
    }

    // At exactly the width of one row the menus share one row, whole; a pixel less and the
    // last goes on in a second row.
    void menuBarWrapsAtExactlyItsWidth()
    {
        WrappingMenuBar bar;
        for (const char *title : {"&File", "&Organisation des ports", "&Aide"})
            bar.addMenu(QString::fromUtf8(title));
        const int width = bar.sizeHint().width();
        const int oneRow = bar.heightForWidth(width);
        QCOMPARE(oneRow, bar.sizeHint().height());
        QVERIFY(bar.heightForWidth(width - 1) > oneRow);
        bar.resize(width, oneRow);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QTRY_COMPARE(bar.rows().size(), 1);
        QVERIFY2(clippedTexts(bar).isEmpty(), report(clippedTexts(bar)).constData());
        bar.resize(width - 1, bar.heightForWidth(width - 1));
        QTRY_COMPARE(bar.rows().size(), 2);
        QVERIFY2(clippedTexts(bar).isEmpty(), report(clippedTexts(bar)).constData());
    }

private:
    template <typename Dialog, typename... Arguments> void checkDialog(Arguments &...arguments)
    {
        Dialog dialog(arguments...);
        QVERIFY(dialog.Form_Load().isOk());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QStringList clipped = clippedTexts(dialog);
        QVERIFY2(clipped.isEmpty(), report(clipped).constData());
        QCOMPARE(families(dialog), QStringList{"Liberation Sans"});
    }
};

QTEST_MAIN(TestWindowTexts)
#include "tst_windowtexts.moc"
