#pragma once

#include <QString>

namespace DosimeterId {

// The ID after this one: its last run of digits counted on, keeping its width ("D-0041" after
// "D-0040", "D-1000" after "D-0999", "B7-10" after "B7-9"). Empty when the ID ends in no digit.
QString next(const QString &id);

} // namespace DosimeterId
