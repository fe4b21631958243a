#pragma once
// The recorder's place in its system: the local clock, the request to stop
// (Ctrl+C, a closed console, a termination signal) and the wait between
// ticks, which on Windows also serves the thread's messages: the driver's
// windows and timers live on the host's thread.

#include "recorder/model/csv_rows.h"

namespace vexla::recorder {

LocalTime LocalNow();
// Milliseconds of a steady clock.
int64_t SteadyMilliseconds();

// From now on the first stop request only sets the flag; the run ends at its
// next tick and writes its summary.
void CatchStopRequests();
bool StopRequested();

// Waits until the steady clock reaches `deadline`, or a stop request.
void WaitUntil(int64_t deadline);

// Standard error is a terminal (a progress line is wanted there).
bool ErrorIsTerminal();

}  // namespace vexla::recorder
