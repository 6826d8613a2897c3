#include "loginname.h"

#include <pwd.h>
#include <unistd.h>

QString loginName()
{
    // The password database, not $USER: an entry names the account, not what the shell says.
    if (const passwd *pw = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::getuid());
}
