#pragma once

#include "common/outcome.h"

#include <QString>

// Every message box and modal dialog goes through here: the program answers with real modal
// windows, tests from a script. Like a real modal window, a call returns only when it has been
// closed, and events go on being handled meanwhile.
class Prompter {
public:
    enum class Buttons { Ok, OkCancel };
    enum class Icon { None, Exclamation };
    enum Answer { Ok = 1, Cancel = 2 };
    // Where the port dialog is opened from: the menu leaves a closed port closed; after a
    // failed start, choosing a port also opens it, since the user has just chosen the port to
    // read from.
    enum class PortDialogUse { FromMenu, AfterFailedStart };

    virtual ~Prompter();

    // Shows a modal message box and returns the button chosen. An empty title stands for the
    // program title.
    virtual int messageBox(const QString &text, Buttons buttons, Icon icon,
                           const QString &title = {}) = 0;
    virtual void beep() = 0;

    // Creates the port dialog and shows it modally; a failure in its load step is handed back
    // and the dialog is not shown.
    virtual Status portDialog(PortDialogUse use) = 0;
    // The same for the About box.
    virtual Status aboutBox() = 0;
};
