#include "app/commandline.h"
#include "app/displayguard.h"
#include "app/frmzav41k.h"
#include "common/terminationsignals.h"
#include "resources/programicon.h"
#include "ui/fonts.h"

#include <QApplication>

#include <optional>

int main(int argc, char *argv[])
{
    if (const std::optional<int> ended = CommandLine::handle(argc, argv))
        return *ended;
    std::optional<DisplayGuard> guard(std::in_place);
    QApplication app(argc, argv);
    guard.reset();
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(ZAV41K_APP_ID));
    Fonts::installSubstitutes();
    QApplication::setWindowIcon(ProgramIcon::icon());

    frmZAV41k window;
    TerminationSignals::install([&window] { window.close(); });
    window.Form_Load();
    if (window.ended())
        return 0;
    window.show();
    return QApplication::exec();
}
