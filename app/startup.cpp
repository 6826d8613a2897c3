#include "app/startup.h"

#include "app/pendingfailure.h"
#include "app/programtitle.h"
#include "app/prompter.h"
#include "app/settingsstore.h"
#include "link/commcontrol.h"
#include "link/numberconversion.h"
#include "resources/stringtable.h"

#include <functional>

StartupWindow::~StartupWindow() = default;

namespace {

void report(Prompter &prompter, const Failure &failure)
{
    prompter.messageBox(failure.description, Prompter::Buttons::Ok, Prompter::Icon::Exclamation);
}

} // namespace

namespace Startup {

void Form_Load(StartupWindow &window, CommControl &comm, Prompter &prompter, const QLocale &locale)
{
    PendingFailure pending;
    // A check reports the pending failure, after which start-up ends.
    auto check = [&] {
        if (!pending.isPending())
            return true;
        report(prompter, pending.failure());
        return false;
    };

    ProgramTitle::setTitle(QStringLiteral("ZAV41K"));

    const std::pair<const char *, int> menus[] = {{"mnuFile", 101}, {"mnuFileExit", 102},
                                                  {"mnuSetup", 103}, {"mnuPort", 105},
                                                  {"mnuAbout", 106}, {"mnuHelp", 107}};
    for (const auto &[menu, id] : menus) {
        if (const std::optional<QString> caption = pending.take(StringTable::text(id)))
            window.setMenuCaption(QString::fromLatin1(menu), *caption);
    }

    pending.take(window.placeAtLeftEdge());

    const std::function<Status()> lineStatements[] = {
        [&] { return comm.setSettings(QStringLiteral("9600,N,8,1")); },
        [&] { return comm.setRThreshold(1); },
        [&] { return comm.setInputLen(10); },
        [&] { return comm.setHandshaking(0); },
        [&] { return comm.setDTREnable(false); },
    };
    for (const auto &statement : lineStatements) {
        pending.take(statement());
        if (!check())
            return;
    }

    const QString stored = PortSetting::read();
    if (stored.isEmpty()) {
        pending.take(prompter.portDialog());
    } else if (const std::optional<qint16> port =
                   pending.take(NumberConversion::toInt16(stored, locale))) {
        pending.take(comm.setCommPort(*port));
    }
    pending.take(comm.setPortOpen(true));

    if (pending.isPending()) {
        report(prompter, pending.failure());
        pending.take(prompter.portDialog());
    }
}

} // namespace Startup
