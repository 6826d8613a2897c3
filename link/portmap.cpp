#include "link/portmap.h"

#include "resources/failuretexts.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>

#include <algorithm>

PortMap::PortMap(QString settingsFile, QString devRoot, QString sysRoot)
    : m_settingsFile(std::move(settingsFile))
    , m_devRoot(std::move(devRoot))
    , m_sysRoot(std::move(sysRoot))
{
}

Outcome<QString> PortMap::devicePath(int port) const
{
    const QString entry = explicitEntry(port);
    if (!entry.isEmpty())
        return entry;
    const QStringList present = presentDevices();
    if (port < 1 || port > present.size())
        return Failure{Failure::PortUnavailable, FailureTexts::noDeviceForPort(port)};
    return present.at(port - 1);
}

QString PortMap::explicitEntry(int port) const
{
    if (!QFile::exists(m_settingsFile))
        return {};
    const QSettings settings(m_settingsFile, QSettings::IniFormat);
    const QString path = settings.value(QStringLiteral("Ports/Com%1").arg(port)).toString();
    return QDir::isAbsolutePath(path) ? QDir::cleanPath(path) : QString();
}

QStringList PortMap::presentDevices() const
{
    const QDir dev(m_devRoot);
    auto numbered = [&dev](const QString &stem) {
        const QRegularExpression pattern(QStringLiteral("^%1(\\d+)$").arg(stem));
        QList<std::pair<int, QString>> found;
        for (const QString &name :
             dev.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            const QRegularExpressionMatch match = pattern.match(name);
            if (match.hasMatch())
                found.append({match.captured(1).toInt(), name});
        }
        std::sort(found.begin(), found.end());
        QStringList names;
        for (const auto &item : found)
            names.append(item.second);
        return names;
    };

    QStringList devices;
    for (const QString &stem : {QStringLiteral("ttyUSB"), QStringLiteral("ttyACM")}) {
        for (const QString &name : numbered(stem))
            devices.append(dev.filePath(name));
    }
    // Built-in ports are listed whether or not a UART is fitted; the driver reports type 0
    // for the empty ones.
    for (const QString &name : numbered(QStringLiteral("ttyS"))) {
        QFile type(QStringLiteral("%1/class/tty/%2/type").arg(m_sysRoot, name));
        if (type.open(QIODevice::ReadOnly) && type.readAll().trimmed() != "0")
            devices.append(dev.filePath(name));
    }
    return devices;
}
