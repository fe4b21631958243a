#pragma once
// The two boxes through which results pass to the host. Box 1 is always
// filled and taken first; when both are full, newer results are dropped.

#include <array>
#include <cstdint>

#include "channels/channel_record.h"

namespace vexla {

struct ResultBox {
    bool Full = false;
    TChannelRecord Record{};
    std::array<int32_t, kChannels> Rates{};
};

struct ResultBoxes {
    ResultBox ResultBox1;
    ResultBox ResultBox2;
    uint16_t SubmitCount = 0;  // host retrievals modulo 10000

    // Puts a result into the first empty box; false when both are full.
    bool Deposit(const TChannelRecord& averaged, const std::array<int32_t, kChannels>& rates);

    // Takes the waiting result with the x10 and inversion ranges applied;
    // `empty` (header 0) when nothing waits.
    TChannelRecord TakeResult(const TChannelRecord& empty, uint8_t timesTenRange, uint8_t invertRange);

    // Rates of the box that the next TakeResult will deliver, or null.
    const std::array<int32_t, kChannels>* WaitingRates() const;

    void Empty() { ResultBox1.Full = ResultBox2.Full = false; }
};

}  // namespace vexla
