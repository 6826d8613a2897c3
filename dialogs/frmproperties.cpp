#include "dialogs/frmproperties.h"

#include "link/portmap.h"
#include "pictures/programicon.h"
#include "resources/failuretexts.h"
#include "resources/stringtable.h"
#include "shell/configpaths.h"
#include "shell/portselection.h"
#include "shell/settingsstore.h"
#include "ui/fonts.h"
#include "ui/twips.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

QString describeFromPortMap(int port)
{
    const Outcome<QString> path = PortMap(ConfigPaths::settingsFile()).devicePath(port);
    return path ? path.value() : FailureTexts::noDevice();
}

} // namespace

frmProperties::frmProperties(CommControl &comm, Prompter &prompter, DescribePort describePort,
                             QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_comm(comm)
    , m_prompter(prompter)
    , m_describePort(describePort ? std::move(describePort) : describeFromPortMap)
    , m_label2(new QLabel(this))
    , m_fraSettings(new QWidget(this))
    , m_cboPort(new QComboBox(m_fraSettings))
    , m_cmdOK(new QPushButton(m_fraSettings))
    , m_cmdCancel(new QPushButton(m_fraSettings))
{
    setObjectName(QStringLiteral("frmProperties"));
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_fraSettings->setObjectName(QStringLiteral("fraSettings"));
    m_cboPort->setObjectName(QStringLiteral("cboPort"));
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    setWindowTitle(QStringLiteral("ZAV-41K Comm Port"));
    setWindowIcon(ProgramIcon::icon());

    m_label2->setFont(Fonts::font("MS Sans Serif", 18));
    m_label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_label2->setWordWrap(true);
    m_cboPort->setEditable(false);
    m_cmdOK->setDefault(true);
    setTabOrder(m_cmdOK, m_cmdCancel);
    setTabOrder(m_cmdCancel, m_cboPort);
    layOut();

    connect(m_cmdOK, &QPushButton::clicked, this, &frmProperties::cmdOK_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmProperties::cmdCancel_Click);
}

void frmProperties::layOut()
{
    const qreal dpi = Twips::dpiOf(this);
    setFixedSize(Twips::size(5685, 2790, dpi));
    m_label2->setGeometry(Twips::rect(480, 120, 4815, 850, dpi));
    m_fraSettings->setGeometry(Twips::rect(800, 1200, 3800, 900, dpi));
    m_cboPort->setGeometry(Twips::rect(500, 50, 1425, 315, dpi));
    m_cmdOK->setGeometry(Twips::rect(2500, 0, 1080, 400, dpi));
    m_cmdCancel->setGeometry(Twips::rect(2500, 500, 1080, 400, dpi));
}

Status frmProperties::showModal(CommControl &comm, Prompter &prompter, QWidget *parent,
                                Prompter::PortDialogUse use)
{
    frmProperties dialog(comm, prompter, {}, parent);
    dialog.setUse(use);
    const Status loaded = dialog.Form_Load();
    if (!loaded)
        return loaded;
    dialog.exec();
    return {};
}

Status frmProperties::Form_Load()
{
    // Centred on the screen by its outer size.
    if (const QScreen *display = screen()) {
        const QRect area = display->geometry();
        const QSize outer = frameGeometry().size();
        move(area.x() + (area.width() - outer.width()) / 2,
             area.y() + (area.height() - outer.height()) / 2);
    }
    const std::pair<QAbstractButton *, StringId> buttons[] = {{m_cmdOK, StringId::Ok},
                                                              {m_cmdCancel, StringId::Cancel}};
    for (const auto &[button, id] : buttons) {
        const Outcome<QString> caption = StringTable::text(id);
        if (!caption)
            return caption.status();
        button->setText(caption.value());
    }
    const Outcome<QString> prompt = StringTable::text(StringId::PortPrompt);
    if (!prompt)
        return prompt.status();
    m_label2->setText(prompt.value());
    m_cmdOK->setFocus();
    return LoadPropertySettings();
}

Status frmProperties::LoadPropertySettings()
{
    const QStringList entries = PortSelection::entries();
    for (int i = 0; i < entries.size(); ++i) {
        m_cboPort->addItem(entries.at(i));
        m_cboPort->setItemData(i, m_describePort(i + 1), Qt::ToolTipRole);
    }
    const Outcome<int> current = PortSelection::currentEntry(m_comm);
    if (!current)
        return current.status();
    m_cboPort->setCurrentIndex(current.value());
    return {};
}

void frmProperties::cmdOK_Click()
{
    const auto okOpens = m_use == Prompter::PortDialogUse::AfterFailedStart
                             ? PortSelection::OkOpens::ClosedPort
                             : PortSelection::OkOpens::Nothing;
    if (PortSelection::cmdOK_Click(m_comm, m_cboPort->currentIndex(), m_prompter,
                                   PortSetting::write, okOpens))
        accept();
}

void frmProperties::cmdCancel_Click()
{
    reject();
}

void frmProperties::keyPressEvent(QKeyEvent *event)
{
    // No button is bound to Escape: it leaves the dialog as it is.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
