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
    const QString address = addressOf(section, key);
    const QVariant previous = settings.value(address);
    settings.setValue(address, text);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return {};
    // The process shares one cache of the file: put back what the file still holds, so that a
    // later read does not see a value that was never stored.
    if (previous.isValid())
        settings.setValue(address, previous);
    else
        settings.remove(address);
    return Failure{Failure::SettingsWrite, FailureTexts::settingsNotWritten(file)};
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
