#pragma once

#include <QString>

// The file name of the program that a running process of this user runs, as /proc tells it;
// empty when it cannot be read. For saying who holds a name or a lock.
QString programName(qint64 pid);
