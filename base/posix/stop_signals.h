#pragma once
// How the console programs end on Linux: SIGINT, SIGTERM and SIGHUP (the
// terminal gone is no reason to leave the driver running) set a flag that
// the program's loop reads, and the driver is ended in order. The handlers
// go in without SA_RESTART, so a wait for input or a key returns at once.
// SIGPIPE is ignored: a reader of the output that goes away is an error of
// that write, not a reason to die.

#include <csignal>

namespace vexla {

// Installs the handlers; the flag they set.
const volatile std::sig_atomic_t& CatchStopSignals();

}  // namespace vexla
