#pragma once

#include <QString>

// What `verify` found: the record whole, or the first entry that is not as the program wrote
// it, in words.
struct RecordCheck {
    bool whole = true;
    qint64 entries = 0;
    qint64 firstBad = 0;
    QString text;
};
