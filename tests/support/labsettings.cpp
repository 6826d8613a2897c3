#include "support/labsettings.h"

#include "shell/settingsstore.h"

#include <QDir>
#include <QFile>

void writeLabSettings(const QString &home, const QString &line)
{
    QDir(home).mkpath(QStringLiteral("ZAV41K"));
    QFile conf(QDir(home).filePath(QStringLiteral("ZAV41K/ZAV41K.conf")));
    if (conf.open(QIODevice::WriteOnly))
        conf.write(
            QStringLiteral("[Properties]\nCommPort=1\n[Ports]\nCom1=%1\n").arg(line).toUtf8());
}

QString storedPortText()
{
    const Outcome<QString> stored = PortSetting::read();
    return stored ? stored.value() : u'<' + stored.failure().description + u'>';
}
