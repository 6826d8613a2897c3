#include "support/scriptedprompter.h"

int ScriptedPrompter::messageBox(const QString &text, Buttons buttons, Icon icon,
                                 const QString &title)
{
    shown.append({text, buttons, icon, title});
    ++openNow;
    mostOpenAtOnce = qMax(mostOpenAtOnce, openNow);
    const int answer = answers.isEmpty() ? defaultAnswer : answers.dequeue();
    if (whileOpen)
        whileOpen();
    --openNow;
    return answer;
}

Status ScriptedPrompter::portDialog()
{
    ++portDialogs;
    return onPortDialog ? onPortDialog() : Status();
}

Status ScriptedPrompter::aboutBox()
{
    ++aboutBoxes;
    return onAboutBox ? onAboutBox() : Status();
}
