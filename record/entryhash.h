#pragma once

#include <QByteArray>
#include <QString>

struct Entry;

namespace EntryHash {

// The hash an entry must carry: SHA-256, in hex, over every field but the hash itself, each
// with its length in front, so that no two different entries share the bytes hashed. The
// content is hashed as the text stored, so the hash never depends on how a library writes
// numbers.
QByteArray of(const Entry &entry, const QByteArray &contentText);

// The `previous` of the first entry.
QByteArray first();

} // namespace EntryHash
