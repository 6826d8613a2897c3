#include "shell/settingsstore.h"

#include "settings/settingsfile.h"
#include "shell/configpaths.h"
#include "shell/programtitle.h"

namespace {

// Written as it stands where that reads back the same; quoted where blanks at its ends or a
// leading quote would be lost.
QByteArray written(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    const bool plain =
        bytes.isEmpty() || (bytes.front() != ' ' && bytes.front() != '\t' && bytes.front() != '"' &&
                            bytes.back() != ' ' && bytes.back() != '\t');
    if (plain)
        return bytes;
    QByteArray quoted = "\"";
    for (const char c : bytes) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace

namespace SettingsStore {

Outcome<QString> read(const QString &application, const QString &section, const QString &key,
                      const QString &defaultValue)
{
    const Outcome<IniDocument> settings =
        SettingsFile::load(ConfigPaths::settingsFile(application));
    if (!settings)
        return settings.failure();
    const std::optional<QByteArray> value = settings.value().value(section.toUtf8(), key.toUtf8());
    return value ? QString::fromUtf8(*value) : defaultValue;
}

Status write(const QString &application, const QString &section, const QString &key,
             const QString &text)
{
    return SettingsFile::store(ConfigPaths::settingsFile(application), section.toUtf8(),
                               key.toUtf8(), written(text));
}

} // namespace SettingsStore

namespace PortSetting {

Outcome<QString> read()
{
    return SettingsStore::read(ProgramTitle::title(), QStringLiteral("Properties"),
                               QStringLiteral("CommPort"), QString());
}

Status write(qint16 port)
{
    return SettingsStore::write(ProgramTitle::title(), QStringLiteral("Properties"),
                                QStringLiteral("CommPort"), QString::number(port));
}

} // namespace PortSetting
