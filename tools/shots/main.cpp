// zav41k-shots: renders the program's windows to PNG files, as they look in the user's
// language, for the user's guide and for checking layouts by eye.

#include "app/fonts.h"
#include "dialogs/frmabout.h"
#include "dialogs/frmproperties.h"
#include "resources/language.h"
#include "support/fakecommcontrol.h"
#include "support/scriptedprompter.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Fonts::installSubstitutes();
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const QString suffix = currentLanguage() == Language::French ? QStringLiteral("-fr") : QString();

    FakeCommControl comm;
    ScriptedPrompter prompter;
    (void)comm.setPortOpen(false);
    (void)comm.setCommPort(3);

    auto save = [&](QWidget &window, const char *name) {
        window.show();
        QApplication::processEvents();
        const QString file =
            QDir(folder).filePath(QStringLiteral("%1%2.png").arg(QLatin1String(name), suffix));
        window.grab().save(file);
        QTextStream(stdout) << file << Qt::endl;
    };

    frmProperties portDialog(comm, prompter, [](int port) {
        return QStringLiteral("/dev/ttyUSB%1").arg(port - 1);
    });
    (void)portDialog.Form_Load();
    save(portDialog, "port-dialog");

    frmAbout about;
    (void)about.Form_Load();
    save(about, "about-box");
    return 0;
}
