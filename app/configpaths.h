#pragma once

#include <QString>

namespace ConfigPaths {

// The per-user settings file of an application: $XDG_CONFIG_HOME/NAME/NAME.conf, with
// ~/.config standing in for an unset XDG_CONFIG_HOME.
QString settingsFile(const QString &applicationName);

// The settings file under the current program title.
QString settingsFile();

// The lock that the running program holds, beside the settings file. Named for this machine,
// since a home folder may be shared between machines.
QString instanceLockFile();

} // namespace ConfigPaths
