#include "ui/fonts.h"

#include <QApplication>

namespace Fonts {

void installWindowFonts()
{
    for (const char *family : {"MS Sans Serif", "Arial"})
        QFont::insertSubstitution(QString::fromLatin1(family), QStringLiteral("Liberation Sans"));
    // A desktop theme may give menus and boxes fonts of their own; these windows keep one.
    const QFont dialog = font("MS Sans Serif", 8.25);
    QApplication::setFont(dialog);
    for (const char *kind : {"QMenuBar", "QMenu", "QMessageBox", "QLabel", "QPushButton",
                             "QComboBox", "QListView", "QTipLabel"})
        QApplication::setFont(dialog, kind);
}

QFont font(const char *family, qreal points)
{
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    f.setWeight(QFont::Normal);
    return f;
}

} // namespace Fonts
