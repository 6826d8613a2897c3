#pragma once

#include <QEvent>

// Whether a widget's change event alters how the style draws it, so that a picture kept of
// its drawing must be drawn again.
inline bool changesDrawing(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::StyleChange:
    case QEvent::PaletteChange:
    case QEvent::EnabledChange:
    case QEvent::ActivationChange:
    case QEvent::FontChange:
    case QEvent::ContentsRectChange: return true;
    default: return false;
    }
}
