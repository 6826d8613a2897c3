#pragma once

#include "app/windowprompter.h"
#include "common/indicatormodel.h"
#include "common/readingmodel.h"
#include "link/readerlink.h"
#include "link/serialcommcontrol.h"
#include "publish/linksource.h"
#include "publish/sessionbus.h"
#include "shell/startup.h"

#include <QHash>
#include <QMainWindow>

class QAction;
class QMenu;
class WrappingMenuBar;

// The program's only window: the indicators of the reader's readings, the menus, and the
// serial control and watchdog that feed them. Its life is the program's life.
class frmZAV41k : public QMainWindow, private StartupWindow {
    Q_OBJECT

public:
    explicit frmZAV41k(QWidget *parent = nullptr);

    // Start-up, before the window is first shown.
    void Form_Load();
    // Shutdown: closes the port and ends the program at once. Never cancels.
    void Form_Unload(int &cancel);

    void mnuFileExit_Click();
    void mnuPort_Click();
    void mnuAbout_Click();
    void mnuContents_Click();
    // Another start of the program asked for the window: it, or the box it waits on, comes to
    // the front.
    void comeForward();

    // Whether the program has ended (the window was closed, even during start-up).
    bool ended() const { return m_ended; }

    CommControl &MSComm1() { return m_comm; }
    ReaderLink &readerLink() { return m_link; }
    // The window's menu bar, in as many rows as its width needs.
    WrappingMenuBar *wrappingMenuBar() const { return m_menuBar; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setMenuCaption(const QString &menu, const QString &caption) override;
    Status placeAtLeftEdge() override;
    void buildMenus();
    // Linked programs follow the other process's values while this window shows its own.
    void sayNameHeldByAnother(qint64 pid, const QString &program);

    SerialCommControl m_comm;
    IndicatorModel m_indicators;
    ReadingModel m_readings;
    WindowPrompter m_prompter;
    ReaderLink m_link;
    SessionBus m_bus{QStringLiteral("zav41k")};
    LinkSource m_linkSource;
    WrappingMenuBar *m_menuBar = nullptr;
    QHash<QString, QMenu *> m_menus;
    QHash<QString, QAction *> m_items;
    bool m_placed = false;
    bool m_ended = false;
    bool m_toldOfOtherOwner = false;
};
