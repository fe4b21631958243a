#pragma once
// The 512-byte ring of received bytes. A full ring keeps the newest bytes and
// silently loses the oldest; no bytes are ever moved.

#include <array>
#include <cstdint>
#include <span>

namespace vexla {

struct ReceiveRing {
    static constexpr int32_t kSize = 512;

    std::array<uint8_t, kSize> ReceiveBuffer{};
    int32_t ReceiveHead = 0;   // oldest unread byte, 0..511
    int32_t ReceiveCount = 0;  // unread bytes, 0..512

    void Append(std::span<const uint8_t> bytes);
    // Byte i of the unread data; i = 0 is the oldest.
    uint8_t At(int32_t i) const { return ReceiveBuffer[static_cast<std::size_t>((ReceiveHead + i) % kSize)]; }
    // Copies out.size() unread bytes from byte i on (at most two pieces:
    // the data wraps at most once).
    void CopyOut(int32_t i, std::span<uint8_t> out) const;
    void Consume(int32_t n);
    void Clear() { ReceiveHead = ReceiveCount = 0; }
};

}  // namespace vexla
