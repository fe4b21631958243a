#include "engine/poll_schedule.h"

#include <algorithm>

#include "protocol/command_frames.h"
#include "protocol/data_format.h"

namespace vexla {
namespace {

template <std::size_t N>
OutgoingFrame Frame(const std::array<uint8_t, N>& bytes) {
    static_assert(N <= OutgoingFrame{}.bytes.size());
    OutgoingFrame f;
    std::copy(bytes.begin(), bytes.end(), f.bytes.begin());
    f.size = N;
    return f;
}

}  // namespace

void PollSchedule::ResetAtConnect() {
    alive_.fill(kAliveAtConnect);
    pending_.fill(0);
}

void PollSchedule::QueueForLiveChannels(uint8_t k) {
    for (unsigned ch = 0; ch < kChannels; ++ch)
        if (alive_[ch] != 0) pending_[ch] = k;
}

uint8_t PollSchedule::NextPollAddress(bool wireless) {
    const unsigned units = wireless ? 8 : 32;
    const unsigned probes = wireless ? 9 : 32;
    auto probe = [&] {
        probe_ = static_cast<uint8_t>((probe_ + 1) % probes);
        cursor_ = 0;
        return probe_;
    };
    if (cursor_ >= units) return probe();
    for (unsigned u = cursor_; u < units; ++u) {
        const unsigned first = wireless ? 4 * u : u;
        const unsigned last = wireless ? first + 3 : first;
        bool alive = false;
        for (unsigned ch = first; ch <= last; ++ch) {
            if (alive_[ch] == 0) continue;
            --alive_[ch];
            alive = true;
        }
        if (alive) {
            cursor_ = static_cast<uint8_t>(u + 1);
            return static_cast<uint8_t>(u);
        }
    }
    return probe();
}

std::optional<OutgoingFrame> PollSchedule::NextWrite(uint8_t format) {
    // A pending command silences the polls until the pacing has run down.
    for (unsigned ch = 0; ch < kChannels; ++ch) {
        if (pending_[ch] == 0) continue;
        if (pacing_ > 0) {
            --pacing_;
            return std::nullopt;
        }
        if (format == kFormatPolledGeneral) {
            const OutgoingFrame f = Frame(GeneralCommandFrame(static_cast<uint8_t>(ch), pending_[ch]));
            pending_[ch] = 0;
            return f;
        }
        const OutgoingFrame f = Frame(WirelessCommandFrame(pending_[ch]));  // heard by every gauge
        pending_.fill(0);
        return f;
    }
    pacing_ = kPollPacingTicks;
    if (format == kFormatPolledGeneral) return Frame(std::array{PollByte(NextPollAddress(false))});
    return Frame(WirelessPollFrame(NextPollAddress(true)));
}

std::optional<uint8_t> PollSchedule::ChannelZeroStep() {
    if (++zeroDivider_ < 10) return std::nullopt;
    zeroDivider_ = 0;
    for (unsigned ch = 0; ch < kChannels; ++ch) {
        if (pending_[ch] == 0) continue;
        const bool selected = alive_[ch] != 0 && pending_[ch] == CommandK(kHardwareZeroCode);
        pending_[ch] = 0;
        if (selected) return static_cast<uint8_t>(ch);
    }
    return std::nullopt;
}

}  // namespace vexla
