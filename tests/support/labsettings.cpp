#include "support/labsettings.h"

#include "shell/settingsstore.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

void writeLabSettings(const QString &home, const QString &line)
{
    QDir(home).mkpath(u"ZAV41K"_s);
    QFile conf(QDir(home).filePath(u"ZAV41K/ZAV41K.conf"_s));
    if (conf.open(QIODevice::WriteOnly))
        conf.write(u"[Properties]\nCommPort=1\n[Ports]\nCom1=%1\n"_s.arg(line).toUtf8());
}

QString storedPortText()
{
    const Outcome<QString> stored = PortSetting::read();
    return stored ? stored.value() : u'<' + stored.failure().description + u'>';
}
