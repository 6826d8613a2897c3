#pragma once

#include <QByteArray>

// Writes all of `bytes` to `fd`, going on after an interrupted or partial write. False, with
// errno set, on a failure; a write that takes nothing counts as a full disk (ENOSPC).
bool writeAll(int fd, const QByteArray &bytes);
