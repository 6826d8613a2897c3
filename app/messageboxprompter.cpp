#include "app/messageboxprompter.h"

#include "app/programtitle.h"

#include <QApplication>
#include <QMessageBox>

MessageBoxPrompter::MessageBoxPrompter(QWidget *parent)
    : m_parent(parent)
{
}

int MessageBoxPrompter::messageBox(const QString &text, Buttons buttons, Icon icon,
                                   const QString &title)
{
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    title.isEmpty() ? ProgramTitle::title() : title, text,
                    buttons == Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                 : QMessageBox::Ok,
                    m_parent);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Cancel ? Cancel : Ok;
}

void MessageBoxPrompter::beep()
{
    QApplication::beep();
}
