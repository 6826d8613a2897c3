// Reading the settings file as start-up and the port map read it: the stored port text and
// the Ports entries.

#include "app/settingsstore.h"
#include "fuzzapplication.h"
#include "link/numberconversion.h"
#include "link/portmap.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzApplication::ensure();
    static QTemporaryDir home;
    static const bool prepared = [] {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        return QDir(home.path()).mkpath(QStringLiteral("ZAV41K"));
    }();
    (void)prepared;
    const QString file = home.filePath(QStringLiteral("ZAV41K/ZAV41K.conf"));
    {
        QFile conf(file);
        conf.open(QIODevice::WriteOnly | QIODevice::Truncate);
        conf.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    const QString stored = PortSetting::read();
    (void)NumberConversion::toInt16(stored, QLocale::c());
    const PortMap map(file, home.filePath(QStringLiteral("dev")),
                      home.filePath(QStringLiteral("sys")));
    for (int port : {1, 2, 16, 17})
        (void)map.devicePath(port);
    return 0;
}
