#include "app/frmzav41k.h"
#include "common/terminationsignals.h"
#include "pictures/programicon.h"
#include "publish/singleinstance.h"
#include "shell/commandline.h"
#include "shell/configpaths.h"
#include "shell/displayguard.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QPointer>

#include <optional>

int main(int argc, char *argv[])
{
    if (const std::optional<int> ended = CommandLine::handle(argc, argv))
        return *ended;
    std::optional<DisplayGuard> guard(std::in_place);
    QApplication app(argc, argv);
    guard.reset();
    // Before anything touches the port or shows: a second start only brings the first forward.
    SingleInstance instance(QStringLiteral("zav41k"), QStringLiteral(ZAV41K_APP_ID),
                            ConfigPaths::instanceLockFiles());
    if (instance.claim() == SingleInstance::Claim::AlreadyRuns)
        return 0;
    // Let the desktop match the window to its menu entry and icon: the window's class on X11
    // (StartupWMClass in the desktop entry, whatever name started the program) and the
    // application id on Wayland.
    QCoreApplication::setApplicationName(QStringLiteral("zav41k"));
    QGuiApplication::setDesktopFileName(QStringLiteral(ZAV41K_APP_ID));
    Fonts::installWindowFonts();
    QApplication::setWindowIcon(ProgramIcon::icon());

    // Taken before the window is built: a signal that comes while it is built still ends the
    // program as closing the window does, once the event loop runs.
    QPointer<frmZAV41k> target;
    TerminationSignals::install([&target] {
        if (target)
            target->close();
    });
    frmZAV41k window;
    target = &window;
    QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                     &frmZAV41k::comeForward);
    window.Form_Load();
    if (window.ended())
        return 0;
    window.show();
    return QApplication::exec();
}
