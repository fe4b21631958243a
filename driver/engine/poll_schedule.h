#pragma once
// Who is on the line and what goes to the gauges next in the polled formats:
// each channel's liveness, the commands queued per channel, the pacing of
// polls and the probe of addresses that may be silent.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "channels/channel_record.h"

namespace vexla {

inline constexpr uint8_t kAliveAfterFrame = 10;
inline constexpr uint8_t kAliveAtConnect = 3;
inline constexpr uint8_t kPollPacingTicks = 10;

// One frame for the gauges, at most a general command's length.
struct OutgoingFrame {
    std::array<uint8_t, 16> bytes{};
    std::size_t size = 0;
    std::span<const uint8_t> Bytes() const { return std::span(bytes).first(size); }
};

class PollSchedule {
  public:
    // Every channel is given three polls to answer; queued commands go.
    void ResetAtConnect();
    // A frame from the channel's gauge: it is polled for ten more passes.
    void Refresh(unsigned channel) { alive_[channel] = kAliveAfterFrame; }
    bool IsLive(unsigned channel) const { return alive_[channel] != 0; }
    uint8_t Liveness(unsigned channel) const { return alive_[channel]; }

    // Queues command k (code + 8) for one channel or for every live one.
    void Queue(unsigned channel, uint8_t k) { pending_[channel] = k; }
    void QueueForLiveChannels(uint8_t k);
    uint8_t Pending(unsigned channel) const { return pending_[channel]; }

    // Every live channel (or group of four in the wireless format) once per
    // pass, in order; each pass ends with one probe of an address that may
    // be silent, so a gauge that comes back is found again.
    uint8_t NextPollAddress(bool wireless);

    // The polled formats' write of this tick: a queued command once the
    // pacing after the last poll has run down, else the next poll; nothing
    // while the pacing runs.
    std::optional<OutgoingFrame> NextWrite(uint8_t format);

    // Format 3, called every tick: every tenth call, the first pending live
    // channel to zero; pending entries passed over on the way are dropped.
    std::optional<uint8_t> ChannelZeroStep();

  private:
    std::array<uint8_t, kChannels> alive_{};
    std::array<uint8_t, kChannels> pending_{};  // 0 or k = code + 8
    uint8_t pacing_ = 0;
    uint8_t cursor_ = 0;
    uint8_t probe_ = 0;
    uint8_t zeroDivider_ = 0;
};

}  // namespace vexla
