#include "shell/programtitle.h"

namespace {

QString &storedTitle()
{
    static QString title = QStringLiteral("ZAV41K");
    return title;
}

} // namespace

namespace ProgramTitle {

QString title()
{
    return storedTitle();
}

void setTitle(const QString &title)
{
    storedTitle() = title;
}

} // namespace ProgramTitle
