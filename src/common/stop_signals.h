#pragma once
// Ctrl-C (SIGINT) and SIGTERM ask a terminal program to end its run: the handler only sets
// a flag, which the program looks at on its own thread between steps.

#include <atomic>

namespace vx {

// Routes SIGINT and SIGTERM to the flag.
void CatchStopSignals();
// The flag the signals set; the process has one, as it has one set of signal handlers.
std::atomic<bool>& StopRequestFlag();

}  // namespace vx
