#pragma once
// The monitor as plain text, for when standard output is a file or a pipe:
// the 32 channels one per line (number, display value, displacement, rate)
// under the block headings, in the columns of the screen.

#include <string>

#include "model/monitor_model.h"

namespace vexla::monitor::terminal {

std::string PlainTable(const MonitorModel& model, double seconds);

}  // namespace vexla::monitor::terminal
