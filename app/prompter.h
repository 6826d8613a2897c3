#pragma once

#include <QString>

// Every message box goes through here: the program answers with real modal boxes, tests from a
// script. Like a real modal box, a call returns only when it has been answered, and events go
// on being handled meanwhile.
class Prompter {
public:
    enum class Buttons { Ok, OkCancel };
    enum class Icon { None, Exclamation };
    enum Answer { Ok = 1, Cancel = 2 };

    virtual ~Prompter();

    // Shows a modal message box and returns the button chosen. An empty title stands for the
    // program title.
    virtual int messageBox(const QString &text, Buttons buttons, Icon icon,
                           const QString &title = {}) = 0;
    virtual void beep() = 0;
};
