#include "shell/portselection.h"

#include "common/pendingfailure.h"
#include "common/prompter.h"
#include "link/commcontrol.h"
#include "link/readerline.h"

namespace {

void showFailure(Prompter &prompter, const Failure &failure)
{
    prompter.messageBox(failure.description, Prompter::Buttons::Ok, Prompter::Icon::Exclamation);
}

} // namespace

namespace PortSelection {

QStringList entries()
{
    QStringList list;
    for (int port = 1; port <= kPortCount; ++port)
        list.append(QStringLiteral("Com%1").arg(port));
    return list;
}

Outcome<int> currentEntry(const CommControl &comm)
{
    const Outcome<qint16> port = comm.CommPort();
    if (!port)
        return port.failure();
    return port.value() >= 1 && port.value() <= kPortCount ? port.value() - 1 : -1;
}

bool cmdOK_Click(CommControl &comm, int selectedEntry, Prompter &prompter,
                 const StorePort &storePort, OkOpens opens)
{
    PendingFailure pending;
    bool wasOpen = false;
    const qint16 oldPort = pending.take(comm.CommPort()).value_or(0);
    const qint16 newPort = selectedEntry >= 0 ? static_cast<qint16>(selectedEntry + 1) : oldPort;

    if (newPort != oldPort) {
        // An open state that cannot be read is taken as open.
        if (pending.take(comm.PortOpen()).value_or(true)) {
            pending.take(comm.setPortOpen(false));
            wasOpen = true;
        }
        pending.take(comm.setCommPort(newPort));
        if (!pending.isPending() && wasOpen)
            pending.take(comm.setPortOpen(true));
        if (pending.isPending()) {
            showFailure(prompter, pending.failure());
            // The rollback always reopens the previous port; its own failure is not reported.
            (void)comm.setCommPort(oldPort);
            (void)comm.setPortOpen(true);
            return false;
        }
    }

    pending.take(comm.setSettings(ReaderLine::settings()));
    if (pending.isPending()) {
        showFailure(prompter, pending.failure());
        return false;
    }
    pending.take(comm.setHandshaking(ReaderLine::kHandshaking));
    if (pending.isPending()) {
        showFailure(prompter, pending.failure());
        return false;
    }
    // A port that cannot be opened is a failed change: said, and the dialog stays.
    if (opens == OkOpens::ClosedPort && !pending.take(comm.PortOpen()).value_or(true)) {
        pending.take(comm.setPortOpen(true));
        if (pending.isPending()) {
            showFailure(prompter, pending.failure());
            return false;
        }
    }

    // What the control reports now is stored, not the number asked for. The port is in use
    // whether or not it could be stored, but the user learns that the next start will not
    // find it.
    const Outcome<qint16> port = comm.CommPort();
    if (port) {
        const Status stored = storePort(port.value());
        if (!stored)
            showFailure(prompter, stored.failure());
    }
    return true;
}

} // namespace PortSelection
