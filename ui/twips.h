#pragma once

#include <QRect>

class QWidget;

// Window layouts are given in twips, 1/1440 inch, and placed at the screen's logical DPI
// (15 twips to a pixel at 96 DPI).
namespace Twips {

int toPixels(int twips, qreal dpi);
// The logical DPI of the screen the widget is on.
qreal dpiOf(const QWidget *widget);
QRect rect(int left, int top, int width, int height, qreal dpi);
QSize size(int width, int height, qreal dpi);

} // namespace Twips
