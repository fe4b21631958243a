#pragma once
// The two boxes through which results pass to the host. Box 1 is filled
// first; when both are full, newer results are dropped. The host takes them
// in the order they came: a result left in box 2 while box 1 went round
// would otherwise reach the host seconds later, after newer ones, with
// readings (and zero points) that no longer hold.

#include <array>
#include <cstdint>

#include "channels/channel_record.h"

namespace vexla {

struct ResultBox {
    bool Full = false;
    uint32_t Order = 0;  // when it was filled, counted in deposits
    TChannelRecord Record{};
    std::array<int32_t, kChannels> Rates{};
};

struct ResultBoxes {
    ResultBox ResultBox1;
    ResultBox ResultBox2;
    uint16_t SubmitCount = 0;  // host retrievals modulo 10000
    uint32_t Deposits = 0;

    // Puts a result into the first empty box; false when both are full.
    bool Deposit(const TChannelRecord& averaged, const std::array<int32_t, kChannels>& rates);

    // Takes the waiting result with the x10 and inversion ranges applied;
    // `empty` (header 0) when nothing waits.
    TChannelRecord TakeResult(const TChannelRecord& empty, uint8_t timesTenRange, uint8_t invertRange);

    // Rates of the box that the next TakeResult will deliver, or null.
    const std::array<int32_t, kChannels>* WaitingRates() const;

    void Empty() { ResultBox1.Full = ResultBox2.Full = false; }

  private:
    // The full box that was filled first, or null.
    ResultBox* Oldest();
    const ResultBox* Oldest() const;
};

}  // namespace vexla
