#pragma once

#include <QStringView>

// Whether a record has the shape the reader sends: 8 to 10 characters, the count as four
// digits or a minus and three, a blank at position 5, digits at positions 6 to 8. The window
// decodes any record of eight characters or more by its own rules; a typed reading of a
// record of another shape is marked as damaged.
namespace RecordShape {

bool isReaderShape(QStringView record);

} // namespace RecordShape
