#pragma once

#include "common/outcome.h"

#include <QStringList>

#include <functional>

class CommControl;
class Prompter;

// What the port dialog does, without its widgets. It works directly on the main window's
// serial control.
namespace PortSelection {

inline constexpr int kPortCount = 16;

// The list entries "Com1" to "Com16"; entry i stands for port i + 1.
QStringList entries();

// The entry of the control's current port, or -1 when the port is outside the list (only a
// settings file written by something else brings that about).
Outcome<int> currentEntry(const CommControl &comm);

using StorePort = std::function<Status(qint16 port)>;

// The OK button: moves the line to the port of `selectedEntry` (-1: none selected, taken as
// no change), closing and reopening it only if it was open and rolling back when the move
// fails; sets the line parameters again and stores the port. Failures are shown; the result
// says whether the dialog closes.
// Whether a successful OK also opens a closed port: only in the dialog that follows a failed
// start, where the port stays closed otherwise.
enum class OkOpens { Nothing, ClosedPort };

bool cmdOK_Click(CommControl &comm, int selectedEntry, Prompter &prompter,
                 const StorePort &storePort, OkOpens opens = OkOpens::Nothing);

} // namespace PortSelection
