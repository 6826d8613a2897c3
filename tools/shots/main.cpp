// zav41k-shots: renders the program's windows to PNG files, as they look in the user's
// language, for the user's guide and for checking layouts by eye.

#include "app/fonts.h"
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

    frmProperties dialog(comm, prompter, [](int port) {
        return QStringLiteral("/dev/ttyUSB%1").arg(port - 1);
    });
    (void)dialog.Form_Load();
    dialog.show();
    QApplication::processEvents();
    const QString file = QDir(folder).filePath(QStringLiteral("port-dialog%1.png").arg(suffix));
    dialog.grab().save(file);
    QTextStream(stdout) << file << Qt::endl;
    return 0;
}
