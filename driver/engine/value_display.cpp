// The channel grid of the control window: each channel's averaged value in
// millimetres and its update rate, with a hold before a silent channel's
// value turns to dashes.

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "channels/channel_range.h"
#include "engine/driver.h"
#include "panel/driver_texts.h"

namespace vexla {

// prefix + `scaled` / 10^decimals as fixed-point text right-aligned in
// `width` + suffix: the number is the text printf's "%*.*f" gives for the
// quotient, made without floating point (this runs 64 times a tick).
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

void Driver::ShowChannelRow(unsigned i) {
    auto& row = Panel.ChannelGrid[i + 1];
    const AveragingRing& averaging = Channels.Averaging;

    row[2] = FixedPointText(averaging.Rates[i], 1, 4, {}, texts::kRateUnit);

    if (averaging.Averaged.Updated[i] != 0) {
        // Tenths of the last digit to hundredths (or thousandths) of a mm.
        int64_t g = averaging.Averaged.Value[i] / 10;
        if (RangeFactor(Settings.TimesTenRange, i)) g *= 10;
        if (RangeFactor(Settings.InvertRange, i)) g = -g;
        row[1] = FixedPointText(g, Settings.ThreeDecimals != 0 ? 3 : 2, 7, " ", " mm");
        HoldCount[i] = kHoldTicks;
    } else if (averaging.RecentCounts[i] != 0) {
        HoldCount[i] = kHoldTicks;
    } else {
        if (HoldCount[i] > 0) --HoldCount[i];
        if (HoldCount[i] == 0) row[1] = std::string(texts::kValueLost);
    }
}

}  // namespace vexla
