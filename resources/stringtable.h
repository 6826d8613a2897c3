#pragma once

#include "common/outcome.h"
#include "resources/language.h"
#include "resources/stringid.h"

#include <QString>

// The program's localised texts, looked up by numeric ID at the moment they are needed.
namespace StringTable {

// The text of `id` in `language`; an ID that is not in the table is a lookup failure.
Outcome<QString> text(StringId id, Language language);

// The text of `id` in the user's current language.
Outcome<QString> text(StringId id);

} // namespace StringTable
