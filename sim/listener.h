#pragma once
// The gauges' side of the line: recognises the polls and commands the driver
// sends in one data format, byte by byte, checking each frame as a gauge
// does. Bytes that complete no valid frame are ignored.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "gauge.h"

namespace vexla::sim {

inline constexpr uint8_t kAllChannels = 0xFF;

struct HeardFrame {
    enum class Kind : uint8_t {
        Poll,         // format 2: `channel` is the polled address
        GroupPoll,    // format 4: `channel` is the group 0..8
        Command,      // `code` for `channel`, or for every gauge (kAllChannels)
        ChannelZero,  // format 3: hardware zero of `channel`
    };
    Kind kind = Kind::Poll;
    uint8_t channel = 0;
    uint8_t code = 0;
    bool operator==(const HeardFrame&) const = default;
};

class Listener {
  public:
    // `byteTime` is one character on the line; it bounds how long an
    // ambiguous frame waits for a byte that would settle it.
    Listener(uint8_t format, Micros byteTime);

    void Feed(uint8_t byte, Micros now, std::vector<HeardFrame>& out);
    // Settles a frame left undecided once the line has been quiet long enough.
    void Expire(Micros now, std::vector<HeardFrame>& out);
    std::optional<Micros> Deadline() const { return deadline_; }

  private:
    void Push(uint8_t byte);
    bool TailIs(std::initializer_list<int> pattern) const;  // -1 matches any byte
    uint8_t Tail(std::size_t fromEnd) const { return window_[count_ - 1 - fromEnd]; }
    void FeedPolledGeneral(uint8_t byte, std::vector<HeardFrame>& out);
    void FeedPushedGeneral(uint8_t byte, Micros now, std::vector<HeardFrame>& out);
    void FeedLongBroadcast(std::vector<HeardFrame>& out);
    void FeedWireless(std::vector<HeardFrame>& out);

    uint8_t format_;
    Micros settleTime_;
    std::array<uint8_t, 20> window_{};
    std::size_t count_ = 0;
    std::optional<Micros> deadline_;  // format 3: a broadcast of code 2 awaiting byte 9
};

}  // namespace vexla::sim
