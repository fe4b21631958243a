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

}  // namespace vexla
