#pragma once

#include <functional>

// Turns SIGTERM, SIGINT and SIGHUP (a session logging out, Ctrl-C in a terminal) into a call
// on the event loop, so that the program can close its port and end as if its window had
// been closed. Should that not happen within the grace time, or should a second signal come,
// the program ends at once with the status of a signal's death (128 + the signal).
namespace TerminationSignals {

constexpr unsigned kGraceSeconds = 5;

void install(std::function<void()> onSignal);

} // namespace TerminationSignals
