#pragma once

#include "fitpoint.h"

#include "common/outcome.h"

#include <QList>
#include <QString>

// Points in a text file: columns `x y` or `x y u`, separated by spaces, tabs or commas, a `#`
// starting a comment; blank lines are skipped. A line that is not that is named.
namespace PointsFile {

Outcome<QList<FitPoint>> parse(const QString &text);

} // namespace PointsFile
