#include "recordschema.h"

QStringList RecordSchema::step(int version)
{
    switch (version) {
    case 1:
        return {
            QStringLiteral("CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)"),
            QStringLiteral("CREATE TABLE entries ("
                           "id INTEGER PRIMARY KEY, kind TEXT NOT NULL, subject TEXT NOT NULL, "
                           "time TEXT NOT NULL, user TEXT NOT NULL, replaces INTEGER NOT NULL, "
                           "reason TEXT NOT NULL, content TEXT NOT NULL, "
                           "previous TEXT NOT NULL, hash TEXT NOT NULL)"),
            QStringLiteral("CREATE INDEX entries_by_subject ON entries (kind, subject)"),
            // The program itself never changes an entry; the triggers keep a slip from doing so.
            QStringLiteral("CREATE TRIGGER entries_never_updated BEFORE UPDATE ON entries "
                           "BEGIN SELECT RAISE(ABORT, 'entries are never changed'); END"),
            QStringLiteral("CREATE TRIGGER entries_never_deleted BEFORE DELETE ON entries "
                           "BEGIN SELECT RAISE(ABORT, 'entries are never removed'); END"),
            QStringLiteral("INSERT INTO meta VALUES ('application', 'zav41k-dosimetry')"),
            QStringLiteral("INSERT INTO meta VALUES ('version', '0')"),
            QStringLiteral("INSERT INTO meta VALUES ('head', '0 "
                           "0000000000000000000000000000000000000000000000000000000000000000')"),
        };
    default: return {};
    }
}
