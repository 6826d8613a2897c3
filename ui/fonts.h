#pragma once

#include <QFont>

namespace Fonts {

// The window fonts are named as the reader's software always named them; Liberation Sans has
// the same metrics and stands in for both. The default font of every window, its menus and its
// message boxes is the dialog font of that software, so that one family is used throughout.
void installWindowFonts();

// A normal-weight font of the family and size, with no italic, underline or strike-out.
QFont font(const char *family, qreal points);

} // namespace Fonts
