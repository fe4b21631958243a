#pragma once
// The per-channel statistics of a run as a table of texts: printed by the
// recorder at the end of a run and shown in the report, so both read alike.

#include <array>
#include <string>
#include <vector>

#include "quality/running_stats.h"
#include "quality/tolerance_limits.h"

namespace vexla::recorder {

struct ChannelStatistics {
    int channel = 0;
    int decimals = 2;  // of the channel's readings
    quality::ChannelSummary summary;
};

// Headings and one row per channel with readings: channel, name, count,
// minimum, maximum, range, mean, standard deviation, and with limits the
// lower and upper limit, Cp, Cpk and the count outside. Lengths in mm with
// the readings' decimals (mean and deviation one more); Cp and Cpk with
// two, "-" where they are not defined.
struct StatisticsTable {
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> rows;
};
StatisticsTable MakeStatisticsTable(const std::vector<ChannelStatistics>& channels, const quality::LimitsTable& limits);

// The table in aligned columns for a console, numbers right-aligned.
std::string AlignedText(const StatisticsTable& table);

}  // namespace vexla::recorder
