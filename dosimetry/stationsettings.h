#pragma once

#include "common/outcome.h"

#include <QString>
#include <QStringList>

// What a reader station keeps of its own, set once for the lab: where the record is (a file or
// postgresql://user@host/database), the lab's heading on reports, and the folder from which
// the lab's information system takes the results of reviewed sessions.
namespace StationSettings {

inline const QString kDatabase = QStringLiteral("database");
inline const QString kHeading = QStringLiteral("heading");
inline const QString kDropFolder = QStringLiteral("drop-folder");

QStringList keys();
// Empty when it is not set.
QString value(const QString &key);
// An empty value takes the setting away.
Status set(const QString &key, const QString &value);

// --database when given, otherwise the setting, otherwise the file in the user's data folder.
QString database(const QString &given);

} // namespace StationSettings
