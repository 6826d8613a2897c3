#include "shell/startup.h"

#include "common/pendingfailure.h"
#include "common/prompter.h"
#include "link/commcontrol.h"
#include "link/numberconversion.h"
#include "link/readerline.h"
#include "resources/stringtable.h"
#include "shell/programtitle.h"
#include "shell/settingsstore.h"

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

    const std::pair<const char *, StringId> menus[] = {
        {"mnuFile", StringId::MenuFile},   {"mnuFileExit", StringId::MenuFileExit},
        {"mnuSetup", StringId::MenuSetup}, {"mnuPort", StringId::MenuPort},
        {"mnuAbout", StringId::MenuAbout}, {"mnuHelp", StringId::MenuHelp}};
    for (const auto &[menu, id] : menus) {
        if (const std::optional<QString> caption = pending.take(StringTable::text(id)))
            window.setMenuCaption(QString::fromLatin1(menu), *caption);
    }

    pending.take(window.placeAtLeftEdge());

    const std::function<Status()> lineStatements[] = {
        [&] { return comm.setSettings(ReaderLine::settings()); },
        [&] { return comm.setRThreshold(ReaderLine::kRThreshold); },
        [&] { return comm.setInputLen(ReaderLine::kInputLen); },
        [&] { return comm.setHandshaking(ReaderLine::kHandshaking); },
        [&] { return comm.setDTREnable(false); },
    };
    for (const auto &statement : lineStatements) {
        pending.take(statement());
        if (!check())
            return;
    }

    // A file that cannot be read is not a first start: its failure goes to the final check.
    if (const std::optional<QString> stored = pending.take(PortSetting::read())) {
        if (stored->isEmpty()) {
            pending.take(prompter.portDialog(Prompter::PortDialogUse::FromMenu));
        } else if (const std::optional<qint16> port =
                       pending.take(NumberConversion::toInt16(*stored, locale))) {
            pending.take(comm.setCommPort(*port));
        }
    }
    pending.take(comm.setPortOpen(true));

    if (pending.isPending()) {
        report(prompter, pending.failure());
        pending.take(prompter.portDialog(Prompter::PortDialogUse::AfterFailedStart));
    }
}

} // namespace Startup
