#include "protocol/receive_ring.h"

#include <algorithm>

namespace vexla {

void ReceiveRing::Append(std::span<const uint8_t> bytes) {
    // The indices are plain members that other code may have touched; keep
    // every store inside the array whatever they hold.
    ReceiveCount = std::clamp(ReceiveCount, 0, kSize);
    ReceiveHead = std::clamp(ReceiveHead, 0, kSize - 1);
    for (uint8_t b : bytes) {
        ReceiveBuffer[static_cast<std::size_t>((ReceiveHead + ReceiveCount) % kSize)] = b;
        if (ReceiveCount < kSize)
            ++ReceiveCount;
        else
            ReceiveHead = (ReceiveHead + 1) % kSize;
    }
}

void ReceiveRing::Consume(int32_t n) {
    n = std::clamp(n, 0, ReceiveCount);
    ReceiveHead = (ReceiveHead + n) % kSize;
    ReceiveCount -= n;
}

}  // namespace vexla
