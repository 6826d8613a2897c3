#pragma once

#include <functional>

// Turns SIGTERM, SIGINT and SIGHUP (a session logging out, Ctrl-C in a terminal) into a call
// on the event loop, so that the program can close its port and end as if its window had
// been closed.
namespace TerminationSignals {

void install(std::function<void()> onSignal);

} // namespace TerminationSignals
