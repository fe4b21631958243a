#include "channels/averaging.h"

#include <algorithm>
#include <cmath>

namespace vexla {
namespace {

int32_t Narrow(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

}  // namespace

unsigned AveragingRing::ReserveSlot(uint8_t filterDepth) {
    if (filterDepth >= 1 && filterDepth <= kRingSlots) EffectiveDepth = filterDepth;
    EffectiveDepth = std::clamp<uint8_t>(EffectiveDepth, 1, kRingSlots);

    const unsigned slot = (RingStart + RingCount) % kRingSlots;
    if (RingCount < kRingSlots)
        ++RingCount;
    else
        RingStart = static_cast<uint8_t>((RingStart + 1) % kRingSlots);
    return slot;
}

void AveragingRing::Average(unsigned slot, bool relativeMode) {
    const TChannelRecord& latest = Ring[slot];
    if (std::any_of(latest.Updated.begin(), latest.Updated.end(), [](int16_t u) { return u != 0; })) DataSeen = true;

    // Sums are 64-bit so that no choice of readings can overflow them.
    std::array<int64_t, kChannels> sumV{}, sumD{};
    std::array<int32_t, kChannels> n{};
    const unsigned window = std::min<unsigned>(EffectiveDepth, RingCount);
    for (unsigned k = 0; k < window; ++k) {
        const TChannelRecord& r = Ring[(slot + kRingSlots - k) % kRingSlots];
        if (r.Header == 0) continue;
        for (unsigned i = 0; i < kChannels; ++i) {
            if (r.Updated[i] == 0) continue;
            sumV[i] += r.Value[i];
            sumD[i] += r.Displacement[i];
            ++n[i];
        }
    }

    Averaged.Header = kFlagTrue;
    Averaged.RelativeFlag = relativeMode ? kFlagTrue : kFlagFalse;
    for (unsigned i = 0; i < kChannels; ++i) {
        if (n[i] < 1) {
            Averaged.Value[i] = Averaged.Displacement[i] = 0;
            Averaged.Updated[i] = kFlagFalse;
            continue;
        }
        Averaged.Value[i] = Narrow(RoundedMean(sumV[i], n[i]));
        Averaged.Displacement[i] = relativeMode ? Narrow(RoundedMean(sumD[i], n[i])) : 0;
        Averaged.Updated[i] = kFlagTrue;
    }

    const unsigned rateWindow = std::min<unsigned>(RingCount, kRingSlots);
    RecentCounts.fill(0);
    for (unsigned k = 0; k < rateWindow; ++k) {
        const TChannelRecord& r = Ring[(slot + kRingSlots - k) % kRingSlots];
        if (r.Header == 0) continue;
        for (unsigned i = 0; i < kChannels; ++i)
            if (r.Updated[i] != 0) ++RecentCounts[i];
    }
    for (unsigned i = 0; i < kChannels; ++i) {
        // Updates per second times ten; nearbyint rounds ties to even.
        const double percent = RecentCounts[i] * 100.0 / rateWindow;
        Rates[i] = static_cast<int32_t>(std::nearbyint(percent * 100.0 / kTimerIntervalMs));
    }
}

void AveragingRing::Reset() {
    RingCount = RingStart = 0;
    Rates.fill(0);
}

}  // namespace vexla
