#pragma once

#include "common/prompter.h"

class CommControl;
class QWidget;

// Answers prompts with real modal message boxes and dialogs over the main window. Their nested
// event loops keep serial events and timer ticks flowing while the user decides.
class WindowPrompter : public Prompter {
public:
    WindowPrompter(CommControl &comm, QWidget *parent);

    int messageBox(const QString &text, Buttons buttons, Icon icon,
                   const QString &title = {}) override;
    void beep() override;
    Status portDialog(PortDialogUse use) override;
    Status aboutBox() override;

private:
    CommControl &m_comm;
    QWidget *m_parent;
};
