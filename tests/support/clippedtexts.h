#pragma once

#include <QStringList>

class QWidget;

// The texts of a window and its children that do not fit the room their widget gives them (a
// line cut at the bottom, a word cut at the side, a menu behind an extension button), each
// described with the widget's name; empty when every text can be read whole.
QStringList clippedTexts(const QWidget &window);
