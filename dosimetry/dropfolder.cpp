#include "dropfolder.h"

#include "sessioncsv.h"

#include "resources/language.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kDelivery = QStringLiteral("delivery");

Failure notWritten(const QString &path, const QString &why)
{
    return Failure{Failure::RecordNotWritten,
                   inLanguage("%1 was not written to the drop folder (%2)",
                              "%1 n'a pas été écrit dans le dossier de dépôt (%2)")
                       .arg(path, why)};
}

bool syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

DropFolder::DropFolder(DosimetryRecord &record, QString folder)
    : m_record(record)
    , m_folder(std::move(folder))
{
}

QString DropFolder::fileName(qint64 session)
{
    return QStringLiteral("zav41k-session-%1.csv").arg(session);
}

Status DropFolder::place(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(folder).filePath(name);
    // Hidden, and not ending in .csv: an importer that lists *.csv never sees it.
    const QString partial = QDir(folder).filePath(u'.' + name + QStringLiteral(".part"));
    QFile file(partial);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return notWritten(path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        const QString why = file.errorString();
        file.remove();
        return notWritten(path, why);
    }
    file.close();
    // A link never replaces a file that is there; where the folder's file system has no
    // links (a Windows share), a rename after a look.
    const QByteArray from = QFile::encodeName(partial);
    const QByteArray to = QFile::encodeName(path);
    int failed = ::link(from.constData(), to.constData()) == 0 ? 0 : errno;
    if (failed == EPERM || failed == EOPNOTSUPP || failed == ENOSYS) {
        failed = QFile::exists(path)                               ? EEXIST
                 : ::rename(from.constData(), to.constData()) == 0 ? 0
                                                                   : errno;
    }
    ::unlink(from.constData());
    if (failed == EEXIST)
        return notWritten(path, inLanguage("a file of that name is there already",
                                           "un fichier de ce nom s'y trouve déjà"));
    if (failed != 0)
        return notWritten(path, QString::fromLocal8Bit(std::strerror(failed)));
    syncFolder(folder);
    return {};
}

Outcome<QString> DropFolder::deliver(const SessionSummary &summary)
{
    const QString subject = QString::number(summary.session.id);
    const Outcome<QList<Entry>> before = m_record.entries(kDelivery, subject);
    if (!before)
        return before.failure();
    if (!before.value().isEmpty())
        return QString();
    const QString name = fileName(summary.session.id);
    if (!summary.isReviewed())
        return notWritten(name, inLanguage("the session is not reviewed yet",
                                           "la séance n'est pas encore revue"));
    const Status placed =
        place(m_folder, name, SessionCsv::text(summary.session, summary.results, summary.captures));
    if (!placed)
        return placed.failure();
    Entry e;
    e.kind = kDelivery;
    e.subject = subject;
    e.content = QJsonObject{{QStringLiteral("file"), name},
                            {QStringLiteral("folder"), QDir(m_folder).absolutePath()}};
    const Outcome<Entry> kept = m_record.append(e);
    if (!kept)
        return kept.failure();
    return QDir(m_folder).filePath(name);
}

Outcome<QStringList> DropFolder::deliverPending()
{
    const Outcome<QList<Entry>> signed_ = m_record.entries(QStringLiteral("signature"));
    if (!signed_)
        return signed_.failure();
    QStringList written;
    for (const Entry &e : signed_.value()) {
        if (e.content.value(QStringLiteral("meaning")).toString() != QLatin1String("reviewed"))
            continue;
        const Outcome<SessionSummary> summary =
            SessionSummary::of(m_record, e.subject.toLongLong());
        if (!summary)
            return summary.failure();
        const Outcome<QString> path = deliver(summary.value());
        if (!path)
            return path.failure();
        if (!path.value().isEmpty())
            written << path.value();
    }
    return written;
}
