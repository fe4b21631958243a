#pragma once
// Reference points of the 32 channels and the rule by which every decoded
// reading becomes a displacement.

#include <array>
#include <cstdint>

#include "channels/channel_record.h"

namespace vexla {

struct ZeroReferences {
    std::array<int32_t, kChannels> ReferencePoint{};     // in the active format's position unit
    std::array<uint8_t, kChannels> ReferenceCaptured{};  // 0: next reading becomes the reference
    uint8_t RelativeMode = 0;                            // displacement averages are reported only while on
    // Set when a channel captured a new reference that the configuration file
    // does not hold yet; whoever owns the file saves and clears it.
    bool SavePending = false;

    // Enters one accepted reading of `channel` (0..31) into `record`.
    void EnterReading(TChannelRecord& record, unsigned channel, int32_t position, int32_t value, uint8_t format);

    void ClearReferences() { ReferenceCaptured.fill(0); }
    void ClearReference(unsigned channel) {
        if (channel < kChannels) ReferenceCaptured[channel] = 0;
    }
    void MarkAllCaptured() { ReferenceCaptured.fill(1); }
};

// The folds of each format's counter, exposed for the tests of the wrap points.
int32_t FoldPerChannel(int64_t d);     // formats 2, 3
int32_t FoldWireless(int64_t d);       // format 4
int32_t FoldText(int64_t d);           // format 1
int32_t FoldAndScaleBlock(int64_t d);  // format 0: 24-bit fold, then x 1270 / 1024

}  // namespace vexla
