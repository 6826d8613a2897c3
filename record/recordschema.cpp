#include "recordschema.h"

namespace {

// "user" is quoted everywhere: PostgreSQL reserves the word.
QStringList firstTables(RecordSchema::Dialect dialect)
{
    const bool server = dialect == RecordSchema::Dialect::PostgreSQL;
    const QString whole = server ? QStringLiteral("BIGINT") : QStringLiteral("INTEGER");
    QStringList statements{
        QStringLiteral("CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE entries ("
                       "id %1 PRIMARY KEY, kind TEXT NOT NULL, subject TEXT NOT NULL, "
                       "time TEXT NOT NULL, \"user\" TEXT NOT NULL, replaces %1 NOT NULL, "
                       "reason TEXT NOT NULL, content TEXT NOT NULL, "
                       "previous TEXT NOT NULL, hash TEXT NOT NULL)")
            .arg(whole),
        QStringLiteral("CREATE INDEX entries_by_subject ON entries (kind, subject)"),
    };
    // The program itself never changes an entry; the triggers keep a slip from doing so.
    if (server) {
        statements << QStringLiteral(
                          "CREATE FUNCTION entries_kept() RETURNS trigger LANGUAGE plpgsql AS $$ "
                          "BEGIN RAISE EXCEPTION 'entries are never changed or removed'; END $$")
                   << QStringLiteral("CREATE TRIGGER entries_never_updated BEFORE UPDATE ON "
                                     "entries FOR EACH ROW EXECUTE FUNCTION entries_kept()")
                   << QStringLiteral("CREATE TRIGGER entries_never_deleted BEFORE DELETE ON "
                                     "entries FOR EACH ROW EXECUTE FUNCTION entries_kept()");
    } else {
        statements << QStringLiteral(
                          "CREATE TRIGGER entries_never_updated BEFORE UPDATE ON entries "
                          "BEGIN SELECT RAISE(ABORT, 'entries are never changed'); END")
                   << QStringLiteral(
                          "CREATE TRIGGER entries_never_deleted BEFORE DELETE ON entries "
                          "BEGIN SELECT RAISE(ABORT, 'entries are never removed'); END");
    }
    statements << QStringLiteral("INSERT INTO meta VALUES ('application', 'zav41k-dosimetry')")
               << QStringLiteral("INSERT INTO meta VALUES ('version', '0')")
               << QStringLiteral(
                      "INSERT INTO meta VALUES ('head', '0 "
                      "0000000000000000000000000000000000000000000000000000000000000000')");
    return statements;
}

} // namespace

QStringList RecordSchema::step(int version, Dialect dialect)
{
    switch (version) {
    case 1: return firstTables(dialect);
    default: return {};
    }
}

QString RecordSchema::tablesQuery(Dialect dialect)
{
    return dialect == Dialect::PostgreSQL
               ? QStringLiteral(
                     "SELECT tablename FROM pg_tables WHERE schemaname = current_schema()")
               : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'");
}
