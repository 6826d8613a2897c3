#include "ui/labelfit.h"

#include <QLabel>

namespace LabelFit {

void growToText(QLabel *label)
{
    if (label->text().isEmpty())
        return;
    const QRect room = label->contentsRect();
    int flags = int(label->alignment()) | Qt::TextShowMnemonic;
    if (label->wordWrap())
        flags |= Qt::TextWordWrap;
    const QSize needed =
        label->fontMetrics()
            .boundingRect(QRect(room.topLeft(), QSize(room.width(), QWIDGETSIZE_MAX)), flags,
                          label->text())
            .size();
    const int wider = qMax(0, needed.width() - room.width());
    const int taller = qMax(0, needed.height() - room.height());
    if (wider == 0 && taller == 0)
        return;
    QRect place = label->geometry();
    place.setBottom(place.bottom() + taller);
    if (label->alignment() & Qt::AlignRight)
        place.setLeft(place.left() - wider);
    else if (label->alignment() & Qt::AlignHCenter)
        place.adjust(-wider / 2, 0, wider - wider / 2, 0);
    else
        place.setRight(place.right() + wider);
    label->setGeometry(place);
}

} // namespace LabelFit
