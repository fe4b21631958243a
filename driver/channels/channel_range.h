#pragma once
// Range bytes select a run of channels for the x10 and inversion options:
// 0 = off; otherwise bits 0..6 hold a channel number N (1..32) and bit 7 the
// direction: clear = channels 1..N, set = channels N..32.

#include <cstdint>

namespace vexla {

constexpr bool RangeFactor(uint8_t rangeByte, unsigned index) {
    if (rangeByte == 0) return false;
    const unsigned n = rangeByte & 0x7F;
    if (rangeByte & 0x80) return index + 1 >= n;  // index >= N - 1; N = 0 selects all
    return index < n;
}

// The range byte of a line that is `on` for channel `channel` (1..32) and
// those before it, or from it on.
constexpr uint8_t EncodeRange(bool on, int channel, bool before) {
    if (!on) return 0;
    const auto n = static_cast<uint8_t>(channel);
    return before ? n : static_cast<uint8_t>(n + 128);
}

}  // namespace vexla
