#include "app/settingsstore.h"

#include "app/configpaths.h"
#include "app/programtitle.h"
#include "resources/failuretexts.h"

#include <QSettings>

namespace {

QString addressOf(const QString &section, const QString &key)
{
    return section + u'/' + key;
}

} // namespace

namespace SettingsStore {

QString read(const QString &application, const QString &section, const QString &key,
             const QString &defaultValue)
{
    const QSettings settings(ConfigPaths::settingsFile(application), QSettings::IniFormat);
    const QVariant value = settings.value(addressOf(section, key));
    if (!value.isValid())
        return defaultValue;
    // A text with commas reads back as a list; the store holds plain texts.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

Status write(const QString &application, const QString &section, const QString &key,
             const QString &text)
{
    const QString file = ConfigPaths::settingsFile(application);
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(addressOf(section, key), text);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return Failure{Failure::SettingsWrite, FailureTexts::settingsNotWritten(file)};
    return {};
}

} // namespace SettingsStore

namespace PortSetting {

QString read()
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
