#include "app/frmzav41k.h"

#include "app/indicatorview.h"
#include "pictures/programicon.h"
#include "resources/failuretexts.h"
#include "shell/portresolver.h"
#include "ui/wrappingmenubar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QTextStream>

frmZAV41k::frmZAV41k(QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                              Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowCloseButtonHint)
    , m_comm(PortResolver::fromSettingsFile())
    , m_prompter(m_comm, this)
    , m_link(m_comm, m_indicators, m_readings, m_prompter, QLocale::system())
    , m_linkSource(m_indicators, m_readings)
{
    setObjectName(QStringLiteral("frmZAV41k"));
    setWindowTitle(QStringLiteral("ZAV41K"));
    setWindowIcon(ProgramIcon::icon());
    setCentralWidget(new IndicatorView(m_indicators, this));
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // The window is the link source for its whole life, on every connection to the session
    // bus it gets; without a bus it still shows the readings.
    connect(&m_bus, &SessionBus::connected, this,
            [this](const QDBusConnection &bus) { (void)m_linkSource.publish(bus); });
    // Linked programs would follow the other process's values while this window shows its
    // own: that is said at once, and so is the moment the name is ours.
    connect(&m_linkSource, &LinkSource::nameHeldByAnother, this, &frmZAV41k::sayNameHeldByAnother);
    connect(&m_linkSource, &LinkSource::nameTaken, this, [] {
        QTextStream(stderr) << "zav41k: the bus name zav41k.Source is now this program's; "
                               "publishing the readings"
                            << Qt::endl;
    });
    if (!m_bus.start())
        QTextStream(stderr) << "zav41k: no session bus, so the readings are not published to "
                               "other programs"
                            << Qt::endl;
}

void frmZAV41k::sayNameHeldByAnother(qint64 pid, const QString &program)
{
    QTextStream(stderr) << "zav41k: the bus name zav41k.Source is owned by process " << pid
                        << (program.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(program))
                        << ", so linked programs receive its values, not these; waiting for it "
                           "to let go"
                        << Qt::endl;
    // The box is shown once a run: after a restart of the bus the line above says it again.
    if (m_toldOfOtherOwner)
        return;
    m_toldOfOtherOwner = true;
    // Queued: the name is asked for while the bus connects, not a place to wait on a box.
    QMetaObject::invokeMethod(
        this,
        [this, text = FailureTexts::busNameHeldByAnother(pid, program)] {
            (void)m_prompter.messageBox(text, Prompter::Buttons::Ok, Prompter::Icon::Exclamation);
        },
        Qt::QueuedConnection);
}

void frmZAV41k::buildMenus()
{
    m_menuBar = new WrappingMenuBar(this);
    setMenuWidget(m_menuBar);
    auto addMenu = [this](const char *name, const char *caption) {
        QMenu *menu = m_menuBar->addMenu(QString::fromLatin1(caption));
        menu->setObjectName(QString::fromLatin1(name));
        m_menus.insert(menu->objectName(), menu);
        return menu;
    };
    auto addItem = [this](QMenu *menu, const char *name, const char *caption,
                          void (frmZAV41k::*handler)()) {
        QAction *item = menu->addAction(QString::fromLatin1(caption));
        item->setObjectName(QString::fromLatin1(name));
        connect(item, &QAction::triggered, this, handler);
        m_items.insert(item->objectName(), item);
        return item;
    };

    addItem(addMenu("mnuFile", "&File"), "mnuFileExit", "E&xit", &frmZAV41k::mnuFileExit_Click);
    addItem(addMenu("mnuSetup", "&Setup"), "mnuPort", "&Comm Port", &frmZAV41k::mnuPort_Click);
    QMenu *help = addMenu("mnuHelp", "&Help");
    QAction *contents = addItem(help, "mnuContents", "&Contents", &frmZAV41k::mnuContents_Click);
    contents->setShortcut(Qt::Key_F1);
    contents->setVisible(false);
    contents->setEnabled(false);
    addItem(help, "mnuAbout", "&About", &frmZAV41k::mnuAbout_Click);
}

void frmZAV41k::Form_Load()
{
    Startup::Form_Load(*this, m_comm, m_prompter, QLocale::system());
}

void frmZAV41k::comeForward()
{
    if (isVisible()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        raise();
        activateWindow();
    }
    // A box or dialog of the program's waits for an answer before the window can be used.
    if (QWidget *modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

void frmZAV41k::setMenuCaption(const QString &menu, const QString &caption)
{
    if (QMenu *title = m_menus.value(menu))
        title->setTitle(caption);
    else if (QAction *item = m_items.value(menu))
        item->setText(caption);
}

Status frmZAV41k::placeAtLeftEdge()
{
    const QScreen *display = screen();
    if (!display)
        return {};
    // Before the first show the fixed size is not applied yet.
    layout()->activate();
    const QRect area = display->geometry();
    const float outerHeight = static_cast<float>(frameGeometry().height());
    const float top = (static_cast<float>(area.height()) - outerHeight) / 2.0f;
    move(area.x(), area.y() + static_cast<int>(top));
    m_placed = frameGeometry().height() == height();
    return {};
}

void frmZAV41k::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The frame is known only once the window manager has framed the window.
    if (m_placed && frameGeometry().height() != height())
        (void)placeAtLeftEdge();
}

void frmZAV41k::Form_Unload(int &cancel)
{
    Q_UNUSED(cancel)
    const Outcome<bool> open = m_comm.PortOpen();
    if (open && open.value())
        (void)m_comm.setPortOpen(false);
    // The program ends at once: no serial event or timer tick is handled after this.
    m_link.watchdog().stop();
    m_comm.blockSignals(true);
    m_ended = true;
    QCoreApplication::exit(0);
}

void frmZAV41k::closeEvent(QCloseEvent *event)
{
    if (!m_ended) {
        int cancel = 0;
        Form_Unload(cancel);
    }
    event->accept();
}

void frmZAV41k::mnuFileExit_Click()
{
    int cancel = 0;
    Form_Unload(cancel);
    close();
}

void frmZAV41k::mnuPort_Click()
{
    (void)m_prompter.portDialog(Prompter::PortDialogUse::FromMenu);
}

void frmZAV41k::mnuAbout_Click()
{
    (void)m_prompter.aboutBox();
}

void frmZAV41k::mnuContents_Click()
{
    // Help contents: the item is hidden and disabled for the program's whole life, and there
    // is no help file to show.
}
