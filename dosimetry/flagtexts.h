#pragma once

#include <QString>

// A result's flag, or the reason it has no dose, as the user reads it; the record and the
// files for other programs keep the code.
namespace FlagTexts {

QString flag(const QString &code);

} // namespace FlagTexts
