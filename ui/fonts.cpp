#include "ui/fonts.h"

namespace Fonts {

void installSubstitutes()
{
    for (const char *family : {"MS Sans Serif", "Arial"})
        QFont::insertSubstitution(QString::fromLatin1(family), QStringLiteral("Liberation Sans"));
}

QFont font(const char *family, qreal points)
{
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    f.setWeight(QFont::Normal);
    return f;
}

} // namespace Fonts
