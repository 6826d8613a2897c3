#pragma once

#include <QString>

#include <functional>
#include <optional>

// Runs `check` in a child process as a user without privileges: as nobody, without groups,
// when the test runs as root (who may open and write anything), and as the test's own user
// otherwise, so that one run covers what root and a user each see. What `check` returns, or
// nothing when the child could not drop its privileges or did not end well.
std::optional<QString> asUnprivileged(const std::function<QString()> &check);

// The user the child runs as when the test runs as root.
constexpr unsigned kNobody = 65534;
