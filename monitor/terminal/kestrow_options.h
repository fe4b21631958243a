#pragma once
// kestrow's command line.

#include <cstdint>
#include <optional>
#include <string>

#include "base/command_line.h"
#include "terminal_session.h"

namespace vexla::monitor::terminal {

struct KestrowOptions {
    std::string library;  // empty: the driver beside the program
    uint32_t segment = MonitorModel::kDefaultSegment;
    std::optional<std::string> limits;  // asked for, a file without limits is refused
    std::optional<std::string> controlLimits;
    RunOptions run;
};

extern const char kKestrowUsage[];

// "bad argument ARG" for an unknown option, a missing value or a bad one.
ParsedCommandLine<KestrowOptions> ParseKestrowOptions(int argc, const char* const* argv);

}  // namespace vexla::monitor::terminal
