#pragma once

#include "common/outcome.h"

// A value the record will not take: nothing is written, and the text, already in the user's
// language, says why.
inline Failure refused(const QString &text)
{
    return Failure{Failure::InvalidPropertyValue, text};
}
