#pragma once
// The search for frames of the active data format in the unread bytes of the
// receive ring. A pure function: it reads the ring, changes nothing, and says
// which readings it accepted and how many bytes the search has finished with.
// The driver applies the result (references, liveness, consuming the bytes).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "protocol/receive_ring.h"

namespace vexla {

struct ScannedReading {
    uint8_t channel = 0;  // 0..31
    int32_t position = 0;
    int32_t value = 0;
    // Formats 2 to 4: the frame shows that its gauge is on the line, so the
    // poll schedule keeps polling it.
    bool refreshesLiveness = false;
};

struct ScanResult {
    // The smallest frame is 8 bytes, so a full ring holds at most 64.
    static constexpr std::size_t kMaxReadings = ReceiveRing::kSize / 8;

    std::array<ScannedReading, kMaxReadings> readings{};
    std::size_t count = 0;
    // Unread bytes the search is done with (oldest first); 0 when it did not
    // search because fewer bytes than one frame's window were buffered or the
    // format is unknown.
    int32_t consumed = 0;
    bool searched = false;
    bool accepted = false;  // at least one frame passed every check
    // A block frame in the fixed layout names the fresh ones of channels 0..7
    // (bit r for channel r); its readings of the others are stale.
    std::optional<uint8_t> freshChannels;
};

// Searches `ring` for frames of `format` (a data-format byte; values outside
// the five formats search nothing). Never throws.
ScanResult ScanFrames(const ReceiveRing& ring, uint8_t format);

}  // namespace vexla
