#pragma once

#include "common/prompter.h"

#include <QList>
#include <QQueue>

#include <functional>

// Answers message boxes from a script and remembers what was shown. While a box is "open" it
// runs `whileOpen`, which may process events (as a real modal box does) or raise events itself.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        QString text;
        Buttons buttons;
        Icon icon;
        QString title;
    };

    int messageBox(const QString &text, Buttons buttons, Icon icon,
                   const QString &title = {}) override;
    void beep() override { ++beeps; }
    Status portDialog(PortDialogUse use) override;
    Status aboutBox() override;

    QList<Shown> shown;
    QQueue<int> answers;
    int defaultAnswer = Ok;
    int beeps = 0;
    int openNow = 0;
    int mostOpenAtOnce = 0;
    std::function<void()> whileOpen;
    // What the user does in the dialogs; by default they are closed at once.
    std::function<Status()> onPortDialog;
    std::function<Status()> onAboutBox;
    int portDialogs = 0;
    QList<PortDialogUse> portDialogUses;
    int aboutBoxes = 0;
};
