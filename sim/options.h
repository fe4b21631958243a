#pragma once
// The command line of gaugesim. Parsing is portable and total: any argument
// list yields either options or one clear message.

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/command_line.h"
#include "network.h"

namespace vexla::sim {

struct Options {
    NetworkConfig network;
    uint32_t channels = 0xFF;  // bit i = channel index i; users number them from 1
    std::array<GaugeKind, kGauges> kinds{};
    std::array<Motion, kGauges> motions{};
    GaugeState initialState = GaugeState::Standard;
    std::string device;          // empty: create a pty
    int com = 0;                 // 0: no COM symlinks
    std::string link;            // extra symlink to the pty
    double tableSeconds = 0;     // 0: no periodic table
    double durationSeconds = 0;  // 0: until interrupted
    std::vector<TimeWindow> lineDown;
};

ParsedCommandLine<Options> ParseArguments(std::span<const std::string_view> args);
std::string UsageText();

}  // namespace vexla::sim
