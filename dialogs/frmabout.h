#pragma once

#include "common/outcome.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: the program's title, version and description, and the names under which
// other programs link to its values. Its one button closes it; Enter and Escape press it.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);

    // Creates the box, runs its load step and shows it modally. A failure in the load step is
    // handed back and the box is not shown.
    static Status showModal(QWidget *parent = nullptr);

    Status Form_Load();
    void cmdOK_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *addLabel(const char *name, const QString &text, int left, int top, int width,
                     int height);

    QLabel *m_picIcon = nullptr;
    QLabel *m_lblTitle = nullptr;
    QLabel *m_lblVersion = nullptr;
    QLabel *m_lblDescription = nullptr;
    QLabel *m_lblLinkApp = nullptr;
    QLabel *m_lblLinkTopic = nullptr;
    QLabel *m_lblLinkItems = nullptr;
    QPushButton *m_cmdOK = nullptr;
};
