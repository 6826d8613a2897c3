#include "pictures/programicon.h"

// The pictures are compiled into the widget library; a static library's resources must be
// registered by hand.
static void registerResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(pictures);
        return true;
    }();
    (void)registered;
}

namespace ProgramIcon {

QIcon icon()
{
    registerResources();
    return QIcon(QStringLiteral(":/zav41k/zav41k.xpm"));
}

QPixmap aboutPicture()
{
    registerResources();
    return QPixmap(QStringLiteral(":/zav41k/about.xpm"));
}

} // namespace ProgramIcon
