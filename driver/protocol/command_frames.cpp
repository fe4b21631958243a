#include "protocol/command_frames.h"

#include <algorithm>
#include <span>

#include "protocol/crc8.h"

namespace vexla {

std::array<uint8_t, 4> GeneralCommandFrame(uint8_t channel, uint8_t k) {
    const auto address = static_cast<uint8_t>(0x80 + channel);
    return {0xF0, address, address, static_cast<uint8_t>((k << 4) | (~k & 0x0F))};
}

std::array<uint8_t, 9> ChannelZeroFrame(uint8_t channel) {
    const auto a = static_cast<uint8_t>(channel + 1);
    return {0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, a, 0x02, static_cast<uint8_t>(a + 2)};
}

std::array<uint8_t, 20> LongBroadcastFrame(uint8_t code) {
    std::array<uint8_t, 20> f{};  // fourteen leading zero bytes
    const std::array<uint8_t, 6> tail = {0xFF, 0xFF, 0x00, 0xFF, code, code};
    std::copy(tail.begin(), tail.end(), f.begin() + 14);
    return f;
}

std::array<uint8_t, 8> ShortBroadcastFrame(uint8_t code) {
    return {0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, code, code};
}

void SealWirelessFrame(std::array<uint8_t, 4>& frame) {
    const uint8_t crc = Crc8(std::span(frame).first(3));
    if (crc >= 0x80) {
        frame[0] |= 0x40;
        frame[3] = crc;
    } else {
        frame[3] = static_cast<uint8_t>(crc + 0x80);
    }
}

std::array<uint8_t, 4> WirelessPollFrame(uint8_t group) {
    std::array<uint8_t, 4> f = {0x80, static_cast<uint8_t>(group * 4), 0x04, 0};
    SealWirelessFrame(f);
    return f;
}

std::array<uint8_t, 4> WirelessCommandFrame(uint8_t k) {
    const auto c = static_cast<uint8_t>(0x40 | ((~k & 7) << 3) | (k & 7));
    std::array<uint8_t, 4> f = {0xBF, c, static_cast<uint8_t>(c - 0x40), 0};
    SealWirelessFrame(f);
    return f;
}

}  // namespace vexla
