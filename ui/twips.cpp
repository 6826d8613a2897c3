#include "ui/twips.h"

#include <QWidget>

#include <cmath>

namespace Twips {

int toPixels(int twips, qreal dpi)
{
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

qreal dpiOf(const QWidget *widget)
{
    return widget->logicalDpiY();
}

QRect rect(int left, int top, int width, int height, qreal dpi)
{
    return {toPixels(left, dpi), toPixels(top, dpi), toPixels(width, dpi), toPixels(height, dpi)};
}

QSize size(int width, int height, qreal dpi)
{
    return {toPixels(width, dpi), toPixels(height, dpi)};
}

} // namespace Twips
