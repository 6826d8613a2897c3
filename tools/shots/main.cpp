// zav41k-shots: renders the program's windows to PNG files, as they look in the user's
// language, for the user's guide and for checking layouts by eye.

#include "app/frmzav41k.h"
#include "dialogs/frmabout.h"
#include "dialogs/frmproperties.h"
#include "pseudoterminal.h"
#include "resources/language.h"
#include "support/fakecommcontrol.h"
#include "support/labsettings.h"
#include "support/scriptedprompter.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Fonts::installWindowFonts();
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const QString suffix =
        currentLanguage() == Language::French ? QStringLiteral("-fr") : QString();

    FakeCommControl comm;
    ScriptedPrompter prompter;
    (void)comm.setPortOpen(false);
    (void)comm.setCommPort(3);

    auto save = [&](QWidget &window, const char *name) {
        window.show();
        // Let the window catch up with what it shows (it refreshes a few times a second).
        QEventLoop settle;
        QTimer::singleShot(100, &settle, &QEventLoop::quit);
        settle.exec();
        const QString file =
            QDir(folder).filePath(QStringLiteral("%1%2.png").arg(QLatin1String(name), suffix));
        window.grab().save(file);
        QTextStream(stdout) << file << Qt::endl;
    };

    frmProperties portDialog(
        comm, prompter, [](int port) { return QStringLiteral("/dev/ttyUSB%1").arg(port - 1); });
    (void)portDialog.Form_Load();
    save(portDialog, "port-dialog");

    frmAbout about;
    (void)about.Form_Load();
    save(about, "about-box");

    // The main window as the decoder and the watchdog leave it, started on a line of its own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    writeLabSettings(home.path(), home.filePath(QStringLiteral("reader")));
    PseudoTerminal reader;
    reader.open(home.filePath(QStringLiteral("reader")));
    frmZAV41k window;
    window.Form_Load();
    ReadingDecoder &decoder = window.readerLink().decoder();
    for (int i = 0; i < 7; ++i)
        decoder.DecodeReading(QStringLiteral("1234 000"));
    save(window, "main-window");
    decoder.DecodeReading(QStringLiteral("0123 010"));
    save(window, "main-window-range");
    window.readerLink().watchdog().Timer1_Timer();
    save(window, "main-window-nodata");
    return 0;
}
