#include "entryhash.h"

#include "entry.h"

#include <QCryptographicHash>

namespace {

void field(QCryptographicHash &hash, const QByteArray &bytes)
{
    hash.addData(QByteArray::number(bytes.size()) + ':');
    hash.addData(bytes);
}

} // namespace

QByteArray EntryHash::of(const Entry &entry, const QByteArray &contentText)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    field(hash, QByteArray::number(entry.id));
    field(hash, entry.kind.toUtf8());
    field(hash, entry.subject.toUtf8());
    field(hash, entry.time.toUtf8());
    field(hash, entry.user.toUtf8());
    field(hash, QByteArray::number(entry.replaces));
    field(hash, entry.reason.toUtf8());
    field(hash, contentText);
    field(hash, entry.previous);
    return hash.result().toHex();
}

QByteArray EntryHash::first()
{
    return QByteArray(64, '0');
}
