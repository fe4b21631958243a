#pragma once
// The monitor as plain text, for when standard output is a file or a pipe:
// the 32 channels one per line (number, display value, displacement, rate)
// under the block headings, in the columns of the screen; with limits, a
// channel's judgement (OK, LOW, HIGH) after its rate.

#include <string>

#include "channel_statistics.h"
#include "monitor/model/monitor_model.h"

namespace vexla::monitor::terminal {

std::string PlainTable(const MonitorModel& model, double seconds, const ChannelStatistics* statistics = nullptr);

}  // namespace vexla::monitor::terminal
