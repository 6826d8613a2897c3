#include "app/windowprompter.h"

#include "dialogs/frmabout.h"
#include "dialogs/frmproperties.h"
#include "shell/programtitle.h"

#include <QApplication>
#include <QMessageBox>

WindowPrompter::WindowPrompter(CommControl &comm, QWidget *parent)
    : m_comm(comm)
    , m_parent(parent)
{
}

int WindowPrompter::messageBox(const QString &text, Buttons buttons, Icon icon,
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

void WindowPrompter::beep()
{
    QApplication::beep();
}

Status WindowPrompter::portDialog(PortDialogUse use)
{
    return frmProperties::showModal(m_comm, *this, m_parent, use);
}

Status WindowPrompter::aboutBox()
{
    return frmAbout::showModal(m_parent);
}
