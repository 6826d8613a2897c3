#pragma once

#include "common/outcome.h"
#include "common/prompter.h"

#include <QDialog>

#include <functional>

class CommControl;
class QComboBox;
class QLabel;
class QPushButton;

// The port dialog: the user picks the serial port, Com1 to Com16. It works directly on the
// main window's serial control; OK moves the line there and stores the choice, Cancel changes
// nothing. Escape presses no button.
class frmProperties : public QDialog {
    Q_OBJECT

public:
    // Names the device behind a port number, for the tooltip of its entry.
    using DescribePort = std::function<QString(int port)>;

    frmProperties(CommControl &comm, Prompter &prompter, DescribePort describePort = {},
                  QWidget *parent = nullptr);

    // Creates the dialog, runs its load step and shows it modally. A failure in the load step
    // is handed back and the dialog is not shown.
    static Status showModal(CommControl &comm, Prompter &prompter, QWidget *parent = nullptr,
                            Prompter::PortDialogUse use = Prompter::PortDialogUse::FromMenu);
    void setUse(Prompter::PortDialogUse use) { m_use = use; }

    Status Form_Load();
    Status LoadPropertySettings();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void layOut();

    CommControl &m_comm;
    Prompter &m_prompter;
    DescribePort m_describePort;
    Prompter::PortDialogUse m_use = Prompter::PortDialogUse::FromMenu;
    QLabel *m_label2 = nullptr;
    QWidget *m_fraSettings = nullptr;
    QComboBox *m_cboPort = nullptr;
    QPushButton *m_cmdOK = nullptr;
    QPushButton *m_cmdCancel = nullptr;
};
