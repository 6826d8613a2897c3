#include "support/clippedtexts.h"

#include "ui/wrappingmenubar.h"

#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>

using namespace Qt::StringLiterals;

namespace {

QString describe(const QWidget *widget, const QString &text, const QSize &needed, const QRect &room)
{
    return u"%1 \"%2\": needs %3x%4, has %5x%6"_s
        .arg(widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                            : widget->objectName(),
             text)
        .arg(needed.width())
        .arg(needed.height())
        .arg(room.width())
        .arg(room.height());
}

bool fits(const QSize &needed, const QRect &room)
{
    return needed.width() <= room.width() && needed.height() <= room.height();
}

void checkLabel(const QLabel *label, QStringList &clipped)
{
    if (label->text().isEmpty() || !label->pixmap().isNull())
        return;
    // What the label itself asks for its text: one line as it stands, or wrapped lines at its
    // width with the longest word whole.
    const QSize needed = label->wordWrap() ? QSize(label->minimumSizeHint().width(),
                                                   label->heightForWidth(label->width()))
                                           : label->sizeHint();
    if (!fits(needed, label->rect()))
        clipped.append(describe(label, label->text(), needed, label->rect()));
}

void checkButton(const QPushButton *button, QStringList &clipped)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    if (button->isDefault())
        option.features |= QStyleOptionButton::DefaultButton;
    const QRect room =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const QSize needed = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    if (!fits(needed, room))
        clipped.append(describe(button, button->text(), needed, room));
}

void checkComboBox(const QComboBox *box, QStringList &clipped)
{
    // Whichever entry is chosen is shown in the same field.
    for (int i = 0; i < box->count(); ++i) {
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = box->isEditable();
        option.currentText = box->itemText(i);
        const QRect room = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                        QStyle::SC_ComboBoxEditField, box);
        const QSize needed = box->fontMetrics().size(Qt::TextSingleLine, box->itemText(i));
        if (!fits(needed, room))
            clipped.append(describe(box, box->itemText(i), needed, room));
    }
}

void checkMenuBar(const WrappingMenuBar *bar, QStringList &clipped)
{
    QList<QAction *> shown;
    for (const QMenuBar *row : bar->rows()) {
        for (QAction *title : row->actions()) {
            const QRect place = row->actionGeometry(title);
            // A title behind the extension button has no place in its row.
            if (place.isEmpty() || !row->rect().contains(place))
                clipped.append(describe(row, title->text(), place.size(), row->rect()));
            else
                shown.append(title);
        }
        if (!bar->rect().contains(row->geometry()))
            clipped.append(describe(row, u"row"_s, row->size(), bar->rect()));
    }
    for (const QMenu *menu : bar->menus()) {
        if (menu->menuAction()->isVisible() && !shown.contains(menu->menuAction()))
            clipped.append(describe(bar, menu->title(), {}, bar->rect()));
    }
}

} // namespace

QStringList clippedTexts(const QWidget &window)
{
    QStringList clipped;
    for (const QWidget *widget : window.findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(&window))
            continue;
        if (auto *label = qobject_cast<const QLabel *>(widget))
            checkLabel(label, clipped);
        else if (auto *button = qobject_cast<const QPushButton *>(widget))
            checkButton(button, clipped);
        else if (auto *box = qobject_cast<const QComboBox *>(widget))
            checkComboBox(box, clipped);
        else if (auto *bar = qobject_cast<const WrappingMenuBar *>(widget))
            checkMenuBar(bar, clipped);
    }
    return clipped;
}
