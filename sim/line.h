#pragma once
// The transmit side of the serial line: bytes leave one after another at the
// configured speed (ten bits per character), so whoever reads them sees the
// timing of a real line. Time is passed in, which keeps the pacing testable.

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "gauge.h"

namespace vexla::sim {

class Line {
  public:
    explicit Line(uint32_t baud);

    uint32_t Baud() const { return baud_; }
    Micros ByteTime() const { return Micros((10 * 1000000 + baud_ - 1) / baud_); }

    // Queues bytes behind those waiting; an idle line starts sending at `at`.
    void Queue(std::span<const uint8_t> bytes, Micros at);
    // A byte that cuts in before the waiting ones (line noise lands mid-frame).
    void QueueFront(uint8_t byte, Micros at);
    // Appends every byte whose stop bit has gone out by `now`.
    void TakeDue(Micros now, std::vector<uint8_t>& out);

    std::optional<Micros> NextByteEnd() const;
    std::size_t Waiting() const { return queue_.size(); }
    // The byte most recently queued (or sent, when nothing waits).
    std::optional<uint8_t> LastByte() const;
    void ForgetLast() { lastSent_.reset(); }

  private:
    // The moment the n-th byte since the anchor has gone out.
    Micros EndOf(uint64_t n) const {
        return anchor_ + Micros(static_cast<int64_t>((n * 10 * 1000000 + baud_ - 1) / baud_));
    }
    void WakeIfIdle(Micros at);

    uint32_t baud_;
    std::deque<uint8_t> queue_;
    Micros anchor_{0};
    uint64_t sent_ = 0;  // bytes gone out since the anchor
    std::optional<uint8_t> lastSent_;
};

}  // namespace vexla::sim
