#pragma once
// The search for frames of the active data format in the unread bytes of the
// receive ring. A pure function: it reads the ring, changes nothing, and says
// which readings it accepted and how many bytes the search has finished with.
// The driver applies the result (references, liveness, consuming the bytes).

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/receive_ring.h"

namespace vexla {

struct ScannedReading {
    uint8_t channel = 0;  // 0..31
    int32_t position = 0;
    int32_t value = 0;
    // Formats 2 to 4: the frame shows that its gauge is on the line, so the
    // poll schedule keeps polling it.
    bool refreshesLiveness = false;
    // A block frame in the fixed layout carries all of channels 0..7 and
    // says which readings are fresh; the others repeat an older one.
    bool fresh = true;
};

struct ScanResult {
    // A full ring holds at most 64 wireless frames, or 8 block frames of 8
    // readings.
    static constexpr std::size_t kMaxReadings = ReceiveRing::kSize / 8;

    std::array<ScannedReading, kMaxReadings> readings{};
    std::size_t count = 0;
    // Unread bytes the search is done with (oldest first); 0 when it did not
    // search because fewer bytes than one frame's window were buffered or the
    // format is unknown.
    int32_t consumed = 0;
    bool searched = false;
    bool accepted = false;  // at least one frame passed every check
    // Windows that began like a frame but failed its checks (line noise,
    // damaged frames).
    uint32_t rejected = 0;
};

// Searches `ring` for frames of `format` (a data-format byte; values outside
// the five formats search nothing). Never throws.
ScanResult ScanFrames(const ReceiveRing& ring, uint8_t format);

}  // namespace vexla
