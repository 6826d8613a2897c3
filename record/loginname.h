#pragma once

#include <QString>

// The system's login name of the user running the program: who an entry says made it.
QString loginName();
