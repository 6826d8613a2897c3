#pragma once

#include <QStringList>

// The record's tables, version by version: the statements that bring a record of version
// `version - 1` to `version`. A new version adds a step; a lab's file is brought up to date
// when it is opened, and a step never changes an entry.
namespace RecordSchema {

QStringList step(int version);

} // namespace RecordSchema
