#pragma once

#include <QString>

// What the record says of its failures and of what `verify` finds, in the user's language.
namespace RecordTexts {

QString noRecord(const QString &path);
QString notADatabase(const QString &path);
QString notARecord(const QString &path);
QString damaged(const QString &path, const QString &reason);
QString newerVersion(const QString &path, int version, int known);
QString notOpened(const QString &path, const QString &reason);
QString notWritten(const QString &path, const QString &reason);
QString unreadable(const QString &path, const QString &reason);

QString noEntry(qint64 id);

QString whole(qint64 entries);
QString missing(qint64 id);
QString changed(qint64 id);
QString outOfChain(qint64 id);
QString added(qint64 id);
QString removedAtEnd(qint64 last);

} // namespace RecordTexts
