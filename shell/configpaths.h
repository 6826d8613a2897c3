#pragma once

#include <QString>
#include <QStringList>

namespace ConfigPaths {

// The per-user settings file of an application: $XDG_CONFIG_HOME/NAME/NAME.conf, with
// ~/.config standing in for an unset XDG_CONFIG_HOME.
QString settingsFile(const QString &applicationName);

// The settings file under the current program title.
QString settingsFile();

// Where the running program holds its lock, in order of choice: beside the settings file
// (named for this machine, since a home folder may be shared between machines), then in the
// user's runtime folder when there is one.
QStringList instanceLockFiles();

} // namespace ConfigPaths
