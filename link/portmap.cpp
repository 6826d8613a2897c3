#include "link/portmap.h"

#include "resources/failuretexts.h"
#include "settings/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

PortMap::PortMap(QString settingsFile, QString devRoot, QString sysRoot)
    : m_settingsFile(std::move(settingsFile))
    , m_devRoot(std::move(devRoot))
    , m_sysRoot(std::move(sysRoot))
{
}

Outcome<QString> PortMap::devicePath(int port) const
{
    const Outcome<QString> entry = explicitEntry(port);
    if (!entry || !entry.value().isEmpty())
        return entry;
    const QStringList present = presentDevices();
    if (port < 1 || port > present.size())
        return Failure{Failure::PortUnavailable, FailureTexts::noDeviceForPort(port)};
    return present.at(port - 1);
}

Outcome<QString> PortMap::explicitEntry(int port) const
{
    const Outcome<IniDocument> settings = SettingsFile::load(m_settingsFile);
    if (!settings)
        return settings.failure();
    const std::optional<QByteArray> written =
        settings.value().value("Ports", "Com" + QByteArray::number(port));
    if (!written || written->isEmpty())
        return QString();
    // A path is bytes; one that does not survive the round trip through text would name
    // another file.
    const QString path = QFile::decodeName(*written);
    if (QFile::encodeName(path) != *written)
        return Failure{Failure::PortUnavailable,
                       FailureTexts::portPathNotUtf8(m_settingsFile, port)};
    if (!QDir::isAbsolutePath(path))
        return Failure{Failure::PortUnavailable,
                       FailureTexts::portPathNotAbsolute(m_settingsFile, port, path)};
    return QDir::cleanPath(path);
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
