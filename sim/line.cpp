#include "line.h"

#include <algorithm>

namespace vexla::sim {

Line::Line(uint32_t baud) : baud_(std::max<uint32_t>(baud, 1)) {}

// Counting bytes from an anchor rather than adding rounded byte times keeps a
// long run free of drift.
void Line::WakeIfIdle(Micros at) {
    if (queue_.empty() && at >= EndOf(sent_)) {
        anchor_ = at;
        sent_ = 0;
    }
}

void Line::Queue(std::span<const uint8_t> bytes, Micros at) {
    if (bytes.empty()) return;
    WakeIfIdle(at);
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
}

void Line::QueueFront(uint8_t byte, Micros at) {
    WakeIfIdle(at);
    queue_.push_front(byte);
}

void Line::TakeDue(Micros now, std::vector<uint8_t>& out) {
    while (!queue_.empty() && EndOf(sent_ + 1) <= now) {
        out.push_back(queue_.front());
        lastSent_ = queue_.front();
        queue_.pop_front();
        ++sent_;
    }
}

std::optional<Micros> Line::NextByteEnd() const {
    if (queue_.empty()) return std::nullopt;
    return EndOf(sent_ + 1);
}

std::optional<uint8_t> Line::LastByte() const {
    if (!queue_.empty()) return queue_.back();
    return lastSent_;
}

}  // namespace vexla::sim
