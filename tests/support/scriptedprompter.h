#pragma once

#include "app/prompter.h"

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

    QList<Shown> shown;
    QQueue<int> answers;
    int defaultAnswer = Ok;
    int beeps = 0;
    int openNow = 0;
    int mostOpenAtOnce = 0;
    std::function<void()> whileOpen;
};
