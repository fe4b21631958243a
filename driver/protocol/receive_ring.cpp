#include "protocol/receive_ring.h"

#include <algorithm>

namespace vexla {

void ReceiveRing::Append(std::span<const uint8_t> bytes) {
    // The indices are plain members that other code may have touched; keep
    // every store inside the array whatever they hold.
    const auto count = static_cast<std::size_t>(std::clamp(ReceiveCount, 0, kSize));
    const auto head = static_cast<std::size_t>(std::clamp(ReceiveHead, 0, kSize - 1));
    constexpr auto size = static_cast<std::size_t>(kSize);

    // Only the newest bytes fit; they land where appending one by one would
    // have put them, over the oldest unread ones.
    const std::size_t kept = std::min(bytes.size(), size);
    const std::size_t at = (head + count + (bytes.size() - kept) % size) % size;
    const std::size_t first = std::min(kept, size - at);
    const auto newest = bytes.last(kept);
    std::copy_n(newest.begin(), first, ReceiveBuffer.begin() + static_cast<std::ptrdiff_t>(at));
    std::copy_n(newest.begin() + static_cast<std::ptrdiff_t>(first), kept - first, ReceiveBuffer.begin());

    const std::size_t total = count + bytes.size();
    const std::size_t unread = std::min(total, size);
    ReceiveHead = static_cast<int32_t>((head + (total - unread) % size) % size);
    ReceiveCount = static_cast<int32_t>(unread);
}

void ReceiveRing::CopyOut(int32_t i, std::span<uint8_t> out) const {
    const auto start = static_cast<std::size_t>((ReceiveHead + i) % kSize);
    const std::size_t first = std::min(out.size(), ReceiveBuffer.size() - start);
    std::copy_n(ReceiveBuffer.begin() + static_cast<std::ptrdiff_t>(start), first, out.begin());
    std::copy_n(ReceiveBuffer.begin(), out.size() - first, out.begin() + static_cast<std::ptrdiff_t>(first));
}

void ReceiveRing::Consume(int32_t n) {
    n = std::clamp(n, 0, ReceiveCount);
    ReceiveHead = (ReceiveHead + n) % kSize;
    ReceiveCount -= n;
}

}  // namespace vexla
