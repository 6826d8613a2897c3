#pragma once

#include <QStringList>

// The record's tables, version by version: the statements that bring a record of version
// `version - 1` to `version`. A new version adds a step; a lab's record is brought up to date
// when it is opened, and a step never changes an entry. The same tables in an SQLite file and
// on a PostgreSQL server, each in its own words.
namespace RecordSchema {

enum class Dialect { SQLite, PostgreSQL };

QStringList step(int version, Dialect dialect);

// The tables the record's database holds already.
QString tablesQuery(Dialect dialect);

} // namespace RecordSchema
