#include "app/configpaths.h"

#include "app/programtitle.h"

#include <QDir>

namespace ConfigPaths {

QString settingsFile(const QString &applicationName)
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return QStringLiteral("%1/%2/%2.conf").arg(base, applicationName);
}

QString settingsFile()
{
    return settingsFile(ProgramTitle::title());
}

} // namespace ConfigPaths
