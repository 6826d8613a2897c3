#pragma once

#include "record/labitems.h"

#include "common/outcome.h"

#include <QByteArray>
#include <QList>

// A session's results as the lab's information system takes them: one row per dosimeter under
// fixed column names, a point for decimals, times in ISO 8601 with their offset.
namespace SessionCsv {

QByteArray text(const Session &session, const QList<DosimeterResult> &results,
                const QList<SessionCapture> &captures);

// Written whole under a temporary name, then renamed.
Status write(const QString &path, const QByteArray &text);

} // namespace SessionCsv
