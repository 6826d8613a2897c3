#pragma once

#include "lab.h"

#include <QList>
#include <QString>

// The programs that follow ZAV41K, each measured on its own beside the running program while
// records come at line rate, a whole record a write.
namespace Linked {

struct Figure {
    QString name;
    double cpuPercent = -1; // of one core; -1 when it could not be measured
    QString note;           // why not, or what it followed
};

// `build` is the build folder the programs are in.
QList<Figure> lineRate(Lab &lab, const QString &build, int seconds);

} // namespace Linked
