// Reading the settings file as start-up and the port map read it: the stored port text and
// the Ports entries.

#include "fuzzapplication.h"
#include "link/numberconversion.h"
#include "link/portmap.h"
#include "settings/inidocument.h"
#include "shell/settingsstore.h"

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
    const Outcome<QString> stored = PortSetting::read();
    if (stored)
        (void)NumberConversion::toInt16(stored.value(), QLocale::c());

    // Setting the port changes that value and no other.
    const IniDocument before(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const IniDocument after = before.withValue("Properties", "CommPort", "7");
    if (after.value("Properties", "CommPort") != QByteArray("7"))
        __builtin_trap();
    for (const QByteArray key : {"Com1", "Com2", "Com16"}) {
        if (before.value("Ports", key) != after.value("Ports", key))
            __builtin_trap();
    }
    // A second store of the same value finds the line and changes nothing.
    if (after.withValue("Properties", "CommPort", "7").bytes() != after.bytes())
        __builtin_trap();
    const PortMap map(file, home.filePath(QStringLiteral("dev")),
                      home.filePath(QStringLiteral("sys")));
    for (int port : {1, 2, 16, 17})
        (void)map.devicePath(port);
    return 0;
}
