#pragma once

#include "app/prompter.h"

class QWidget;

// Answers prompts with real modal message boxes. Their nested event loop keeps serial events
// and timer ticks flowing while the user decides.
class MessageBoxPrompter : public Prompter {
public:
    explicit MessageBoxPrompter(QWidget *parent = nullptr);

    int messageBox(const QString &text, Buttons buttons, Icon icon,
                   const QString &title = {}) override;
    void beep() override;

private:
    QWidget *m_parent;
};
