#include "dosimetryrecord.h"

#include "entryhash.h"
#include "loginname.h"
#include "recordschema.h"
#include "recordtexts.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>
#include <QVariant>

namespace {

// SQLite's result codes, as Qt's driver gives them.
const QString kNotADatabase = QStringLiteral("26");
const QString kCorrupt = QStringLiteral("11");
// PostgreSQL's codes for an append that met another station's and may simply be tried again.
const QStringList kTryAgain{QStringLiteral("40001"), QStringLiteral("40P01"),
                            QStringLiteral("23505")};
constexpr int kAttempts = 5;
// The server-wide lock that puts the stations' appends one after another: "ZAVK".
constexpr qint64 kAppendLock = 0x5A41564B;

bool onServer(const QString &location)
{
    return location.startsWith(QLatin1String("postgresql://")) ||
           location.startsWith(QLatin1String("postgres://"));
}

const char kSelectEntries[] =
    "SELECT id, kind, subject, time, \"user\", replaces, reason, content, "
    "previous, hash FROM entries";

QByteArray contentText(const QJsonObject &content)
{
    return QJsonDocument(content).toJson(QJsonDocument::Compact);
}

Entry entryAt(const QSqlQuery &query, QByteArray *storedContent)
{
    Entry e;
    e.id = query.value(0).toLongLong();
    e.kind = query.value(1).toString();
    e.subject = query.value(2).toString();
    e.time = query.value(3).toString();
    e.user = query.value(4).toString();
    e.replaces = query.value(5).toLongLong();
    e.reason = query.value(6).toString();
    *storedContent = query.value(7).toString().toUtf8();
    e.content = QJsonDocument::fromJson(*storedContent).object();
    e.previous = query.value(8).toString().toLatin1();
    e.hash = query.value(9).toString().toLatin1();
    return e;
}

// "id hash", as the head of the chain is kept.
bool parseHead(const QString &text, qint64 *id, QByteArray *hash)
{
    const QStringList parts = text.split(u' ');
    bool ok = parts.size() == 2;
    if (ok)
        *id = parts.at(0).toLongLong(&ok);
    if (ok)
        *hash = parts.at(1).toLatin1();
    return ok;
}

} // namespace

DosimetryRecord::DosimetryRecord(const QString &location)
    : m_location(location)
    , m_path(onServer(location) ? QUrl(location).toString(QUrl::RemovePassword) : location)
    , m_dialect(onServer(location) ? RecordSchema::Dialect::PostgreSQL
                                   : RecordSchema::Dialect::SQLite)
    , m_connection(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

DosimetryRecord::~DosimetryRecord()
{
    if (QSqlDatabase::contains(m_connection)) {
        database().close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

QString DosimetryRecord::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/ZAV41K/dosimetry.sqlite");
}

QSqlDatabase DosimetryRecord::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

Status DosimetryRecord::open(Opening opening)
{
    const Status opened =
        m_dialect == RecordSchema::Dialect::PostgreSQL ? openServer() : openFile(opening);
    return opened ? migrate(opening) : opened;
}

Status DosimetryRecord::openServer()
{
    const QUrl url(m_location);
    if (!url.isValid() || url.host().isEmpty() || url.path().size() < 2)
        return Failure{
            Failure::RecordUnreadable,
            RecordTexts::notOpened(m_path, QStringLiteral("not postgresql://user@host/database"))};
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
    if (!db.isValid())
        return Failure{Failure::RecordUnreadable,
                       RecordTexts::notOpened(
                           m_path, QStringLiteral("Qt's PostgreSQL driver is not installed"))};
    db.setHostName(url.host());
    db.setPort(url.port(5432));
    db.setUserName(url.userName());
    db.setPassword(url.password());
    db.setDatabaseName(url.path().mid(1));
    // libpq's own options (sslmode=require, connect_timeout=5, ...) as the address gives them.
    QStringList options;
    for (const auto &[key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
        options << key + u'=' + value;
    db.setConnectOptions(options.join(u';'));
    if (!db.open())
        return Failure{Failure::RecordUnreadable,
                       RecordTexts::notOpened(m_path, db.lastError().databaseText().trimmed())};
    return {};
}

Status DosimetryRecord::openFile(Opening opening)
{
    QFile file(m_path);
    const bool present = file.exists() && file.size() > 0;
    if (!present && opening == Opening::ExistingOnly)
        return Failure{Failure::RecordUnreadable, RecordTexts::noRecord(m_path)};
    if (present) {
        // Told apart before SQLite sees it: the driver opens anything and fails later.
        if (!file.open(QIODevice::ReadOnly))
            return Failure{Failure::RecordUnreadable,
                           RecordTexts::notOpened(m_path, file.errorString())};
        if (file.read(16) != QByteArray("SQLite format 3\0", 16))
            return Failure{Failure::RecordUnreadable, RecordTexts::notADatabase(m_path)};
    } else if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        return Failure{Failure::RecordNotWritten,
                       RecordTexts::notOpened(m_path, QStringLiteral("no folder"))};
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    // Another program on the same record waits its turn rather than failing at once.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open())
        return Failure{Failure::RecordUnreadable,
                       RecordTexts::notOpened(m_path, db.lastError().databaseText())};
    QSqlQuery query(db);
    // A capture is kept once it is said to be kept, power cut or not.
    if (!query.exec(QStringLiteral("PRAGMA synchronous = FULL")))
        return failed(query, false);
    return {};
}

bool DosimetryRecord::begin(QSqlQuery &query)
{
    if (m_dialect == RecordSchema::Dialect::SQLite)
        return query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    // Read committed: each statement after the lock sees what the station before committed.
    return query.exec(QStringLiteral("BEGIN")) &&
           query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kAppendLock));
}

QStringList DosimetryRecord::tables(QSqlQuery &query) const
{
    QStringList found;
    if (query.exec(RecordSchema::tablesQuery(m_dialect)))
        while (query.next())
            found << query.value(0).toString();
    return found;
}

Status DosimetryRecord::migrate(Opening opening)
{
    QSqlQuery query(database());
    const QStringList present = tables(query);
    if (query.lastError().isValid())
        return failed(query, false);
    if (present.isEmpty() && opening == Opening::ExistingOnly)
        return Failure{Failure::RecordUnreadable, RecordTexts::noRecord(m_path)};
    int version = 0;
    if (!present.isEmpty()) {
        if (!present.contains(QStringLiteral("meta")) ||
            !query.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'application'")) ||
            !query.next() || query.value(0).toString() != QStringLiteral("zav41k-dosimetry"))
            return Failure{Failure::RecordUnreadable, RecordTexts::notARecord(m_path)};
        if (!query.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'version'")) ||
            !query.next())
            return Failure{Failure::RecordUnreadable, RecordTexts::notARecord(m_path)};
        version = query.value(0).toInt();
        if (version > kVersion)
            return Failure{Failure::RecordUnreadable,
                           RecordTexts::newerVersion(m_path, version, kVersion)};
        if (version == kVersion)
            return {};
    }
    // Two programs opening an old record at once: the second finds it brought up to date.
    if (!begin(query)) {
        const Status failure = failed(query, true);
        QSqlQuery(database()).exec(QStringLiteral("ROLLBACK"));
        return failure;
    }
    if (tables(query).contains(QStringLiteral("meta")) &&
        query.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'version'")) && query.next())
        version = query.value(0).toInt();
    for (int next = version + 1; next <= kVersion; ++next) {
        for (const QString &statement : RecordSchema::step(next, m_dialect)) {
            if (!query.exec(statement)) {
                const Status failure = failed(query, true);
                QSqlQuery(database()).exec(QStringLiteral("ROLLBACK"));
                return failure;
            }
        }
    }
    if (!query.exec(
            QStringLiteral("UPDATE meta SET value = '%1' WHERE key = 'version'").arg(kVersion)) ||
        !query.exec(QStringLiteral("COMMIT"))) {
        const Status failure = failed(query, true);
        QSqlQuery(database()).exec(QStringLiteral("ROLLBACK"));
        return failure;
    }
    return {};
}

Outcome<Entry> DosimetryRecord::append(const Entry &entry)
{
    for (int attempt = 1;; ++attempt) {
        QString code;
        Outcome<Entry> written = appendOnce(entry, &code);
        if (written || attempt == kAttempts || m_dialect != RecordSchema::Dialect::PostgreSQL ||
            !kTryAgain.contains(code))
            return written;
    }
}

Outcome<Entry> DosimetryRecord::appendOnce(Entry entry, QString *code)
{
    QSqlQuery query(database());
    const auto rollBack = [&] {
        const Status failure = failed(query, true);
        *code = query.lastError().nativeErrorCode();
        QSqlQuery(database()).exec(QStringLiteral("ROLLBACK"));
        return failure.failure();
    };
    // The lock taken at once, so that two programs appending at the same time each read the
    // head the other left.
    if (!begin(query))
        return rollBack();
    qint64 headId = 0;
    if (!query.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'head'")) || !query.next() ||
        !parseHead(query.value(0).toString(), &headId, &entry.previous))
        return rollBack();
    entry.id = headId + 1;
    entry.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    if (entry.user.isEmpty())
        entry.user = loginName();
    const QByteArray content = contentText(entry.content);
    entry.hash = EntryHash::of(entry, content);
    query.prepare(QStringLiteral("INSERT INTO entries VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    // A null text would be stored as NULL, which no column takes.
    const auto text = [](const QString &s) {
        return QVariant(s.isNull() ? QStringLiteral("") : s);
    };
    for (const QVariant &value :
         {QVariant(entry.id), text(entry.kind), text(entry.subject), text(entry.time),
          text(entry.user), QVariant(entry.replaces), text(entry.reason),
          QVariant(QString::fromUtf8(content)), QVariant(QString::fromLatin1(entry.previous)),
          QVariant(QString::fromLatin1(entry.hash))})
        query.addBindValue(value);
    if (!query.exec())
        return rollBack();
    query.prepare(QStringLiteral("UPDATE meta SET value = ? WHERE key = 'head'"));
    query.addBindValue(QStringLiteral("%1 %2").arg(entry.id).arg(QLatin1String(entry.hash)));
    if (!query.exec() || !query.exec(QStringLiteral("COMMIT")))
        return rollBack();
    return entry;
}

Outcome<QList<Entry>> DosimetryRecord::entries(const QString &kind, const QString &subject) const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(QLatin1String(kSelectEntries) +
                  (subject.isNull()
                       ? QStringLiteral(" WHERE kind = ? ORDER BY id")
                       : QStringLiteral(" WHERE kind = ? AND subject = ? ORDER BY id")));
    query.addBindValue(kind);
    if (!subject.isNull())
        query.addBindValue(subject);
    if (!query.exec())
        return failed(query, false).failure();
    QList<Entry> found;
    QByteArray stored;
    while (query.next())
        found << entryAt(query, &stored);
    return found;
}

Outcome<Entry> DosimetryRecord::entry(qint64 id) const
{
    QSqlQuery query(database());
    query.prepare(QLatin1String(kSelectEntries) + QStringLiteral(" WHERE id = ?"));
    query.addBindValue(id);
    if (!query.exec())
        return failed(query, false).failure();
    QByteArray stored;
    if (!query.next())
        return Failure{Failure::RecordUnreadable, RecordTexts::noEntry(id)};
    return entryAt(query, &stored);
}

Outcome<RecordCheck> DosimetryRecord::verify() const
{
    // The head and the entries as they stood at one moment, while other stations append.
    QSqlQuery(database())
        .exec(m_dialect == RecordSchema::Dialect::PostgreSQL
                  ? QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ")
                  : QStringLiteral("BEGIN"));
    const Outcome<RecordCheck> checked = checkChain();
    QSqlQuery(database()).exec(QStringLiteral("ROLLBACK"));
    return checked;
}

Outcome<RecordCheck> DosimetryRecord::checkChain() const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    qint64 headId = 0;
    QByteArray headHash;
    if (!query.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'head'")) || !query.next() ||
        !parseHead(query.value(0).toString(), &headId, &headHash))
        return Failure{Failure::RecordUnreadable, RecordTexts::notARecord(m_path)};
    if (!query.exec(QLatin1String(kSelectEntries) + QStringLiteral(" ORDER BY id")))
        return failed(query, false).failure();
    RecordCheck check;
    const auto bad = [&](qint64 id, const QString &text) {
        check.whole = false;
        check.firstBad = id;
        check.text = text;
        return check;
    };
    QByteArray previous = EntryHash::first();
    qint64 expected = 1;
    QByteArray stored;
    while (query.next()) {
        const Entry e = entryAt(query, &stored);
        if (e.id > headId)
            return bad(e.id, RecordTexts::added(e.id));
        if (e.id != expected)
            return bad(expected, RecordTexts::missing(expected));
        if (EntryHash::of(e, stored) != e.hash)
            return bad(e.id, RecordTexts::changed(e.id));
        if (e.previous != previous)
            return bad(e.id, RecordTexts::outOfChain(e.id));
        previous = e.hash;
        ++expected;
    }
    if (query.lastError().isValid())
        return failed(query, false).failure();
    check.entries = expected - 1;
    if (check.entries < headId || previous != (headId == 0 ? EntryHash::first() : headHash))
        return bad(check.entries + 1, RecordTexts::removedAtEnd(check.entries));
    check.text = RecordTexts::whole(check.entries);
    return check;
}

Status DosimetryRecord::failed(const QSqlQuery &query, bool writing) const
{
    const QSqlError error = query.lastError();
    const QString reason =
        (error.databaseText().isEmpty() ? error.text() : error.databaseText()).trimmed();
    if (m_dialect == RecordSchema::Dialect::PostgreSQL) {
        if (writing)
            return Failure{Failure::RecordNotWritten, RecordTexts::notWritten(m_path, reason)};
        return Failure{Failure::RecordUnreadable, RecordTexts::unreadable(m_path, reason)};
    }
    if (error.nativeErrorCode() == kNotADatabase)
        return Failure{Failure::RecordUnreadable, RecordTexts::notADatabase(m_path)};
    if (error.nativeErrorCode() == kCorrupt)
        return Failure{Failure::RecordUnreadable, RecordTexts::damaged(m_path, reason)};
    if (writing)
        return Failure{Failure::RecordNotWritten, RecordTexts::notWritten(m_path, reason)};
    return Failure{Failure::RecordUnreadable, RecordTexts::unreadable(m_path, reason)};
}
