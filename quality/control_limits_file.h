#pragma once
// Control limits kept from one run for the next (--save-control-limits,
// --control-limits): a CSV file, one line per channel after its heading.
//
//   channel,chart,subgroup,centre,lower,upper,spread_centre,spread_lower,spread_upper,sigma_within
//   3,I-MR,1,0.0121,-0.0043,0.0285,0.0062,0,0.0202,0.0055
//
// chart is I-MR, Xbar-R or Xbar-S, as the subgroup size decides; values in mm.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "control_chart.h"
#include "tolerance_limits.h"

namespace vexla::quality {

using ControlLimitsTable = std::array<std::optional<ControlLimits>, kChannels>;

const char* ChartName(ChartKind kind);

// Any faulty line refuses the whole file, naming its line.
Result<ControlLimitsTable> ParseControlLimits(std::string_view text);
Result<ControlLimitsTable> LoadControlLimitsFile(const std::string& path);
// The file's text, channels in order, values with every digit they have.
std::string ControlLimitsText(const ControlLimitsTable& table);

}  // namespace vexla::quality
