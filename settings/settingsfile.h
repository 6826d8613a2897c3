#pragma once

#include "common/outcome.h"
#include "settings/inidocument.h"

#include <QString>

// The user's settings file, read without trusting it and written without losing what the user
// wrote in it.
namespace SettingsFile {

// The file's text. A missing file holds nothing and is not a failure; anything that keeps the
// file from being read as settings text (not a regular file, no permission, binary data,
// UTF-16, far too large) is, with a description that names the file. Never waits on the file:
// a FIFO or a device in its place is refused without opening it for long.
Outcome<IniDocument> load(const QString &file);

// Sets one value and leaves every other byte of the file as it was. The new text is written
// beside the file and renamed over it, so the file is always either the old or the new one.
Status store(const QString &file, const QByteArray &group, const QByteArray &key,
             const QByteArray &value);

// The largest file that is read; settings files are a few lines long.
constexpr qint64 kMaxSize = 1 << 20;

} // namespace SettingsFile
