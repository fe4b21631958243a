#pragma once
// vexla-station's command line.

#include <string>

#include "base/command_line.h"

namespace vexla::station::terminal {

struct StationOptions {
    std::string stationFile;  // empty: the station file beside the driver's configuration
    std::string library;      // empty: the driver beside the program
};

extern const char kStationUsage[];

// "bad argument ARG" for an unknown option or a missing value.
ParsedCommandLine<StationOptions> ParseStationOptions(int argc, const char* const* argv);

}  // namespace vexla::station::terminal
