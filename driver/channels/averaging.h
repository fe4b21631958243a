#pragma once
// The ring of the last 40 decode results, the averaged result and the
// per-channel update rates that one processing step forms from it.

#include <array>
#include <cstdint>

#include "channels/channel_record.h"

namespace vexla {

inline constexpr unsigned kRingSlots = 40;
inline constexpr unsigned kTimerIntervalMs = 50;

struct AveragingRing {
    std::array<TChannelRecord, kRingSlots> Ring{};
    uint8_t RingCount = 0;  // filled slots, 0..40
    uint8_t RingStart = 0;  // oldest filled slot, 0..39
    uint8_t EffectiveDepth = 10;
    TChannelRecord Averaged{};
    std::array<int32_t, kChannels> Rates{};         // tenths of updates per second
    std::array<uint8_t, kChannels> RecentCounts{};  // slots of the rate window with data, per channel
    bool DataSeen = false;                          // sticky: some decode result carried a channel

    // Takes the requested depth into use and claims the slot for this step's
    // decode result (overwriting the oldest when the ring is full).
    unsigned ReserveSlot(uint8_t filterDepth);

    // With Ring[slot] filled: forms Averaged, RecentCounts and Rates.
    void Average(unsigned slot, bool relativeMode);

    void Reset();
};

// The mean sum / n (n >= 1) rounded to the nearest count, halves away from
// zero: a single reading comes back unchanged, 12340 and 12350 give 12345.
constexpr int64_t RoundedMean(int64_t sum, int64_t n) {
    return sum >= 0 ? (2 * sum + n) / (2 * n) : -((-2 * sum + n) / (2 * n));
}

}  // namespace vexla
