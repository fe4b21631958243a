#pragma once
// The texts of the control window's channel grid: each row's name, the
// channel's averaged value in millimetres and its update rate, and the hold
// before a silent channel's value turns to dashes.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "channels/averaging.h"
#include "channels/settings.h"

namespace vexla {

inline constexpr uint8_t kHoldTicks = 40;

// prefix + `scaled` / 10^decimals as the text printf's "%*.*f" gives in
// `width` + suffix, made without floating point.
std::string FixedPointText(int64_t scaled, int decimals, std::size_t width, std::string_view prefix = {},
                           std::string_view suffix = {});

// "  1   [   1]": the row number and the channel's number across segments.
std::string ChannelRowName(unsigned row, uint8_t segment);

// Writes value and rate of `channel` after a processing step into `row`;
// `hold` is the channel's count of ticks its last value stays on show.
void ShowChannelRow(std::array<std::string, 3>& row, uint8_t& hold, unsigned channel, const AveragingRing& averaging,
                    const DriverSettings& settings);

}  // namespace vexla
