#include "panel/channel_grid_texts.h"

#include <algorithm>
#include <cstdio>

#include "channels/channel_range.h"
#include "panel/driver_texts.h"

namespace vexla {

// This runs 64 times a tick, hence no printf of doubles.
std::string FixedPointText(int64_t scaled, int decimals, std::size_t width, std::string_view prefix,
                           std::string_view suffix) {
    std::array<char, 96> text{};
    std::size_t start = text.size() - suffix.size();
    std::copy(suffix.begin(), suffix.end(), text.begin() + static_cast<std::ptrdiff_t>(start));
    const std::size_t numberEnd = start;
    const bool negative = scaled < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    for (int d = 0; d < decimals; ++d, magnitude /= 10) text[--start] = static_cast<char>('0' + magnitude % 10);
    if (decimals > 0) text[--start] = '.';
    do {
        text[--start] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) text[--start] = '-';
    while (numberEnd - start < width) text[--start] = ' ';
    start -= prefix.size();
    std::copy(prefix.begin(), prefix.end(), text.begin() + static_cast<std::ptrdiff_t>(start));
    return std::string(text.data() + start, text.size() - start);
}

std::string ChannelRowName(unsigned row, uint8_t segment) {
    char bracket[16];
    std::snprintf(bracket, sizeof bracket, "[%4u]", segment * 32u + row);
    return std::string(row < 10 ? "  " : " ") + std::to_string(row) + "   " + bracket;
}

void ShowChannelRow(std::array<std::string, 3>& row, uint8_t& hold, unsigned channel, const AveragingRing& averaging,
                    const DriverSettings& settings) {
    row[2] = FixedPointText(averaging.Rates[channel], 1, 4, {}, texts::kRateUnit);

    if (averaging.Averaged.Updated[channel] != 0) {
        // Tenths of the last digit to hundredths (or thousandths) of a mm.
        int64_t g = averaging.Averaged.Value[channel] / 10;
        if (RangeFactor(settings.TimesTenRange, channel)) g *= 10;
        if (RangeFactor(settings.InvertRange, channel)) g = -g;
        row[1] = FixedPointText(g, settings.ThreeDecimals != 0 ? 3 : 2, 7, " ", " mm");
        hold = kHoldTicks;
    } else if (averaging.RecentCounts[channel] != 0) {
        hold = kHoldTicks;
    } else {
        if (hold > 0) --hold;
        if (hold == 0) row[1] = std::string(texts::kValueLost);
    }
}

}  // namespace vexla
