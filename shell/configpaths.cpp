#include "shell/configpaths.h"

#include "shell/programtitle.h"

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

QStringList instanceLockFiles()
{
    const QString title = ProgramTitle::title();
    QString host = QSysInfo::machineHostName();
    host.replace(QLatin1Char('/'), QLatin1Char('_'));
    QStringList files{QFileInfo(settingsFile(title)).absolutePath() +
                      QStringLiteral("/%1.%2.lock").arg(title, host)};
    // The user's runtime folder is always writable and local to this machine: the lock's place
    // when the settings folder cannot hold it.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime))
        files << QStringLiteral("%1/%2.lock").arg(runtime, title);
    return files;
}

} // namespace ConfigPaths
