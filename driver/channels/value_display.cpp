// The channel grid of the control window: each channel's averaged value in
// millimetres and its update rate, with a hold before a silent channel's
// value turns to dashes.

#include <cstdio>
#include <string>

#include "channels/channel_range.h"
#include "engine/driver.h"
#include "engine/driver_texts.h"

namespace vexla {

void Driver::ShowChannelRow(unsigned i) {
    auto& row = Panel.ChannelGrid[i + 1];
    const AveragingRing& averaging = Channels.Averaging;

    char rate[32];
    std::snprintf(rate, sizeof rate, "%4.1f", averaging.Rates[i] / 10.0);
    row[2] = rate + std::string(texts::kRateUnit);

    if (averaging.Averaged.Updated[i] != 0) {
        // Tenths of the last digit to hundredths (or thousandths) of a mm.
        int64_t g = averaging.Averaged.Value[i] / 10;
        if (RangeFactor(Settings.TimesTenRange, i)) g *= 10;
        if (RangeFactor(Settings.InvertRange, i)) g = -g;
        char value[64];
        if (Settings.ThreeDecimals != 0)
            std::snprintf(value, sizeof value, " %7.3f mm", static_cast<double>(g) / 1000.0);
        else
            std::snprintf(value, sizeof value, " %7.2f mm", static_cast<double>(g) / 100.0);
        row[1] = value;
        HoldCount[i] = kHoldTicks;
    } else if (averaging.RecentCounts[i] != 0) {
        HoldCount[i] = kHoldTicks;
    } else {
        if (HoldCount[i] > 0) --HoldCount[i];
        if (HoldCount[i] == 0) row[1] = std::string(texts::kValueLost);
    }
}

}  // namespace vexla
