#include "listener.h"

#include <algorithm>
#include <span>

#include "protocol/command_frames.h"
#include "protocol/crc8.h"

namespace vexla::sim {

Listener::Listener(uint8_t format, Micros byteTime) : format_(format), settleTime_(byteTime * 5 + Micros(10000)) {}

void Listener::Push(uint8_t byte) {
    if (count_ == window_.size()) {
        std::copy(window_.begin() + 1, window_.end(), window_.begin());
        --count_;
    }
    window_[count_++] = byte;
}

bool Listener::TailIs(std::initializer_list<int> pattern) const {
    if (count_ < pattern.size()) return false;
    const uint8_t* at = window_.data() + count_ - pattern.size();
    for (int p : pattern) {
        if (p >= 0 && *at != p) return false;
        ++at;
    }
    return true;
}

void Listener::Feed(uint8_t byte, Micros now, std::vector<HeardFrame>& out) {
    switch (format_) {
        case 0:
        case 1:
            Push(byte);
            FeedLongBroadcast(out);
            break;
        case 2:
            FeedPolledGeneral(byte, out);
            break;
        case 3:
            FeedPushedGeneral(byte, now, out);
            break;
        case 4:
            Push(byte);
            FeedWireless(out);
            break;
        default:
            break;
    }
}

void Listener::Expire(Micros now, std::vector<HeardFrame>& out) {
    if (deadline_ && now >= *deadline_) {
        deadline_.reset();
        out.push_back({HeardFrame::Kind::Command, kAllChannels, 2});
    }
}

// A poll is one byte, but a command frame carries bytes of the same range
// after its 0xF0, so those three bytes are never taken as polls.
void Listener::FeedPolledGeneral(uint8_t byte, std::vector<HeardFrame>& out) {
    if (count_ == 0) {
        if (byte >= 0x80 && byte <= 0x9F)
            out.push_back({HeardFrame::Kind::Poll, static_cast<uint8_t>(byte - 0x80), 0});
        else if (byte == 0xF0)
            Push(byte);
        return;
    }
    Push(byte);
    if (count_ < 4) return;
    const uint8_t address = window_[1], check = window_[3];
    count_ = 0;
    const uint8_t k = check >> 4;
    if (window_[2] != address || address < 0x80 || address > 0x9F) return;
    if ((check & 0x0F) != (~k & 0x0F) || k < 8) return;
    const auto code = static_cast<uint8_t>(k - 8);
    if (IsSendableCommand(code)) out.push_back({HeardFrame::Kind::Command, static_cast<uint8_t>(address - 0x80), code});
}

// The channel zero frame for channel 1 (address 2) begins with the very bytes
// of the broadcast for code 2; which one it was shows only in the ninth byte
// (0x04) or in the line falling quiet.
void Listener::FeedPushedGeneral(uint8_t byte, Micros now, std::vector<HeardFrame>& out) {
    if (deadline_) {
        deadline_.reset();
        if (byte == 0x04) {
            out.push_back({HeardFrame::Kind::ChannelZero, 1, 2});
            return;
        }
        out.push_back({HeardFrame::Kind::Command, kAllChannels, 2});
    }
    Push(byte);
    if (TailIs({0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, -1, 0x02, -1})) {
        const uint8_t a = Tail(2);
        if (a >= 1 && a <= 32 && Tail(0) == static_cast<uint8_t>(a + 2)) {
            out.push_back({HeardFrame::Kind::ChannelZero, static_cast<uint8_t>(a - 1), 2});
            count_ = 0;
            return;
        }
    }
    if (TailIs({0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, -1, -1}) && Tail(0) == Tail(1) && IsSendableCommand(Tail(0))) {
        const uint8_t code = Tail(0);
        count_ = 0;
        if (code == 2)
            deadline_ = now + settleTime_;
        else
            out.push_back({HeardFrame::Kind::Command, kAllChannels, code});
    }
}

void Listener::FeedLongBroadcast(std::vector<HeardFrame>& out) {
    if (count_ < 20 || !std::all_of(window_.begin(), window_.begin() + 14, [](uint8_t b) { return b == 0; })) return;
    if (!TailIs({0xFF, 0xFF, 0x00, 0xFF, -1, -1}) || Tail(0) != Tail(1) || !IsSendableCommand(Tail(0))) return;
    out.push_back({HeardFrame::Kind::Command, kAllChannels, Tail(0)});
    count_ = 0;
}

void Listener::FeedWireless(std::vector<HeardFrame>& out) {
    if (count_ < 4) return;
    std::array<uint8_t, 4> f = {Tail(3), Tail(2), Tail(1), Tail(0)};
    if (f[0] < 0x80 || f[3] < 0x80) return;
    // The CRC's bit 7 travels in bit 6 of byte 0; byte 3 always has bit 7 set.
    const bool crcHigh = (f[0] & 0x40) != 0;
    f[0] &= static_cast<uint8_t>(~0x40);
    const uint8_t crc = Crc8(std::span(f).first(3));
    if (crcHigh ? (crc < 0x80 || f[3] != crc) : (crc >= 0x80 || f[3] != crc + 0x80)) return;

    if (f[0] == 0x80 && f[2] == 0x04 && f[1] % 4 == 0 && f[1] <= 32) {
        out.push_back({HeardFrame::Kind::GroupPoll, static_cast<uint8_t>(f[1] / 4), 0});
        count_ = 0;
        return;
    }
    const uint8_t c = f[1];
    if (f[0] == 0xBF && (c & 0xC0) == 0x40 && f[2] == c - 0x40 && ((c >> 3) & 7) == (~c & 7)) {
        count_ = 0;
        if (IsSendableCommand(c & 7))
            out.push_back({HeardFrame::Kind::Command, kAllChannels, static_cast<uint8_t>(c & 7)});
    }
}

}  // namespace vexla::sim
