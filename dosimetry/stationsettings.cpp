#include "stationsettings.h"

#include "record/dosimetryrecord.h"

#include <QSettings>

namespace {

QSettings &store()
{
    // ~/.config/ZAV41K/dosimetry.conf, whatever the program's own name.
    static QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                              QStringLiteral("ZAV41K"), QStringLiteral("dosimetry"));
    return settings;
}

} // namespace

QStringList StationSettings::keys()
{
    return {kDatabase, kHeading, kDropFolder};
}

QString StationSettings::value(const QString &key)
{
    store().sync();
    return store().value(QStringLiteral("station/") + key).toString();
}

Status StationSettings::set(const QString &key, const QString &value)
{
    if (!keys().contains(key))
        return Failure{Failure::SettingsWrite,
                       QStringLiteral("There is no setting \"%1\" (only %2)")
                           .arg(key, keys().join(QStringLiteral(", ")))};
    if (value.isEmpty())
        store().remove(QStringLiteral("station/") + key);
    else
        store().setValue(QStringLiteral("station/") + key, value);
    store().sync();
    if (store().status() != QSettings::NoError)
        return Failure{Failure::SettingsWrite,
                       QStringLiteral("The setting was not kept in %1").arg(store().fileName())};
    return {};
}

QString StationSettings::database(const QString &given)
{
    if (!given.isEmpty())
        return given;
    const QString set = value(kDatabase);
    return set.isEmpty() ? DosimetryRecord::defaultPath() : set;
}
