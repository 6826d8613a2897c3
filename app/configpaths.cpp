#include "app/configpaths.h"

#include "app/programtitle.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>

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

QString instanceLockFile()
{
    const QString title = ProgramTitle::title();
    QString host = QSysInfo::machineHostName();
    host.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QFileInfo(settingsFile(title)).absolutePath() +
           QStringLiteral("/%1.%2.lock").arg(title, host);
}

} // namespace ConfigPaths
