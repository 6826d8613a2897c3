#pragma once

#include "common/outcome.h"

#include <QString>

// The per-user settings store: texts addressed by application name, section and key, kept in
// $XDG_CONFIG_HOME/<application>/<application>.conf.
namespace SettingsStore {

// The stored text, or `defaultValue` when nothing is stored there; a failure, naming the file,
// when the file is there but cannot be read as settings.
Outcome<QString> read(const QString &application, const QString &section, const QString &key,
                      const QString &defaultValue);

// Stores the text, creating the file and section as needed. Only that one line of the file
// changes, and the file is replaced whole or not at all, so a failed write leaves the earlier
// contents as they were.
Status write(const QString &application, const QString &section, const QString &key,
             const QString &text);

} // namespace SettingsStore

// The program's one stored value: the serial port number, under the program title.
namespace PortSetting {

// The stored text; empty when no port is stored.
Outcome<QString> read();
// Stores the port number as decimal text.
Status write(qint16 port);

} // namespace PortSetting
