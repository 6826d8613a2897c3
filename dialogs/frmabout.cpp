#include "dialogs/frmabout.h"

#include "pictures/programicon.h"
#include "publish/linknames.h"
#include "resources/stringtable.h"
#include "ui/fonts.h"
#include "ui/labelfit.h"
#include "ui/twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <functional>

namespace {

const char kDisclaimer[] = "For laboratory use only.";

void makeBlack(QLabel *label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
}

} // namespace

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ZAV-41K"));
    setWindowIcon(ProgramIcon::icon());
    const qreal dpi = Twips::dpiOf(this);
    setFixedSize(Twips::size(5610, 4890, dpi));

    m_picIcon = new QLabel(this);
    m_picIcon->setObjectName(QStringLiteral("picIcon"));
    m_picIcon->setPixmap(ProgramIcon::aboutPicture());
    m_picIcon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_picIcon->setLineWidth(2);
    m_picIcon->setAlignment(Qt::AlignCenter);
    m_picIcon->setFocusPolicy(Qt::TabFocus);
    m_picIcon->setGeometry(Twips::rect(120, 240, 540, 540, dpi));

    m_lblTitle = addLabel("lblTitle", QStringLiteral("ZAV-41K Source DDE Application for Win95"),
                          1050, 240, 4245, 480);
    m_lblVersion = addLabel("lblVersion", QStringLiteral("Version 1.0"), 1050, 780, 3885, 225);
    m_lblDescription = addLabel("lblDescription", {}, 480, 1245, 4485, 810);
    m_lblDescription->setWordWrap(true);
    m_lblLinkApp = addLabel("lblLinkApp", {}, 405, 2280, 3834, 285);
    m_lblLinkTopic = addLabel("lblLinkTopic", {}, 405, 2640, 3834, 285);
    m_lblLinkItems = addLabel("lblLinkItems", {}, 405, 3120, 3834, 285);
    for (QLabel *caption : {m_lblLinkApp, m_lblLinkTopic, m_lblLinkItems})
        caption->setAlignment(Qt::AlignRight | Qt::AlignTop);
    addLabel("Label3", QString::fromLatin1(LinkNames::kApplication), 4366, 2280, 1118, 217);
    addLabel("Label4", QString::fromLatin1(LinkNames::kTopic), 4366, 2640, 1118, 217);
    addLabel("lblAbs", QString::fromLatin1(LinkNames::kAbsorbance), 4320, 3120, 1125, 210);
    addLabel("lblWL", QString::fromLatin1(LinkNames::kWavelength), 4366, 3360, 1118, 217);
    addLabel("lblErr", QString::fromLatin1(LinkNames::kErrorcode), 4365, 3600, 1125, 210);
    QLabel *disclaimer =
        addLabel("lblDisclaimer", QString::fromLatin1(kDisclaimer), 360, 4440, 3375, 345);
    for (QLabel *label : {m_lblTitle, m_lblDescription, disclaimer})
        makeBlack(label);

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setGeometry(Twips::rect(4080, 4440, 1260, 345, dpi));
    m_cmdOK->setDefault(true);
    setTabOrder(m_cmdOK, m_picIcon);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

QLabel *frmAbout::addLabel(const char *name, const QString &text, int left, int top, int width,
                           int height)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(Fonts::font("Arial", 9.75));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(Twips::rect(left, top, width, height, Twips::dpiOf(this)));
    return label;
}

Status frmAbout::showModal(QWidget *parent)
{
    frmAbout box(parent);
    const Status loaded = box.Form_Load();
    if (!loaded)
        return loaded;
    box.exec();
    return {};
}

Status frmAbout::Form_Load()
{
    using Setter = std::function<void(const QString &)>;
    const std::pair<StringId, Setter> steps[] = {
        {StringId::AboutCaption, [this](const QString &text) { setWindowTitle(text); }},
        {StringId::AboutVersion,
         [this](const QString &text) { m_lblVersion->setText(text + QStringLiteral(" 1.0")); }},
        {StringId::AboutTitle, [this](const QString &text) { m_lblTitle->setText(text); }},
        {StringId::Ok, [this](const QString &text) { m_cmdOK->setText(text); }},
        {StringId::AboutDescription,
         [this](const QString &text) { m_lblDescription->setText(text); }},
        {StringId::AboutLinkApplication,
         [this](const QString &text) { m_lblLinkApp->setText(text); }},
        {StringId::AboutLinkTopic, [this](const QString &text) { m_lblLinkTopic->setText(text); }},
        {StringId::AboutLinkItems, [this](const QString &text) { m_lblLinkItems->setText(text); }},
    };
    for (const auto &[id, set] : steps) {
        const Outcome<QString> text = StringTable::text(id);
        if (!text)
            return text.status();
        set(text.value());
    }
    for (QLabel *label : findChildren<QLabel *>())
        LabelFit::growToText(label);
    m_cmdOK->setFocus();
    return {};
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::keyPressEvent(QKeyEvent *event)
{
    // The one button is also the cancel button: Escape presses it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmAbout::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // The separator, an etched line: one grey row with a white band two pixels high drawn
    // after it, just under it, so that the grey stays visible.
    const qreal dpi = Twips::dpiOf(this);
    const int y = Twips::toPixels(4080, dpi);
    QPainter painter(this);
    painter.fillRect(0, y, Twips::toPixels(5760, dpi), 1, QColor(128, 128, 128));
    painter.fillRect(0, y + 1, Twips::toPixels(5549, dpi), 2, Qt::white);
}
