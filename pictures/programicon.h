#pragma once

#include <QIcon>
#include <QPixmap>

namespace ProgramIcon {

// The program icon (32 by 32, 16 colours), used by all three windows.
QIcon icon();
// The About box's own picture.
QPixmap aboutPicture();

} // namespace ProgramIcon
