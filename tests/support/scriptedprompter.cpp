#include "support/scriptedprompter.h"

int ScriptedPrompter::messageBox(const QString &text, Buttons buttons, Icon icon,
                                 const QString &title)
{
    shown.append({text, buttons, icon, title});
    ++openNow;
    mostOpenAtOnce = qMax(mostOpenAtOnce, openNow);
    const int answer = answers.isEmpty() ? defaultAnswer : answers.dequeue();
    // A copy, so that the hook may replace itself while it runs.
    if (const std::function<void()> hook = whileOpen)
        hook();
    --openNow;
    return answer;
}

Status ScriptedPrompter::portDialog(PortDialogUse use)
{
    ++portDialogs;
    portDialogUses.append(use);
    const std::function<Status()> hook = onPortDialog;
    return hook ? hook() : Status();
}

Status ScriptedPrompter::aboutBox()
{
    ++aboutBoxes;
    const std::function<Status()> hook = onAboutBox;
    return hook ? hook() : Status();
}
