#pragma once
// The monitor on a terminal: the timer, the user's keys and clicks handed to
// the model's handlers, and only what changed redrawn. Returns with the
// terminal restored; the caller then ends the driver's session.

#include <csignal>

#include "channel_statistics.h"
#include "monitor/model/monitor_model.h"

namespace vexla::monitor::terminal {

struct RunOptions {
    double seconds = 0;  // 0: until the user quits
};

// The model, the driver it runs on, and the statistics kept beside it.
struct Monitor {
    MonitorModel& model;
    const BlockTap& tap;
    ChannelStatistics& statistics;

    // One timer tick of the model; the statistics take the same block.
    ChangedCells Tick(ChannelSet& statisticsChanged) {
        const ChangedCells changed = model.Timer1Timer();
        statisticsChanged = statistics.Feed(tap.Block(), model.Hardware(), model.Mode());
        return changed;
    }
};

// False when the terminal cannot be driven (an unknown TERM); nothing has
// been called on the model then.
bool RunOnTerminal(Monitor& monitor, const RunOptions& options, const volatile std::sig_atomic_t& stop);

// For a pipe or a file: the table of the 32 channels once a second.
// False when the output could not be written (a reader that went away).
bool RunPlain(Monitor& monitor, const RunOptions& options, const volatile std::sig_atomic_t& stop);

}  // namespace vexla::monitor::terminal
