#pragma once
// Frames that the driver sends to the gauges: polls and commands of every
// data format, byte for byte as the gauges expect them.

#include <array>
#include <cstdint>

namespace vexla {

// Command codes the gauges obey; 5 and codes above 6 are never sent.
enum class GaugeCommand : uint8_t {
    FastNoZero = 0,
    StandardNoZero = 1,
    FastZero = 2,  // also the hardware zero
    StandardZero = 3,
    HoldNoZero = 4,
    HoldZero = 6,
};

inline constexpr uint8_t kHardwareZeroCode = 2;
constexpr bool IsSendableCommand(uint8_t code) {
    return code <= 6 && code != 5;
}
// Formats 2 and 4 carry a command as k = code + 8 (10 = hardware zero).
constexpr uint8_t CommandK(uint8_t code) {
    return static_cast<uint8_t>(code + 8);
}

// Format 2: the poll byte for one address 0..31.
constexpr uint8_t PollByte(uint8_t address) {
    return static_cast<uint8_t>(0x80 + address);
}

// Format 2: command k for one channel.
std::array<uint8_t, 4> GeneralCommandFrame(uint8_t channel, uint8_t k);

// Format 3: hardware zero of one channel (addressed 1-based on the wire).
std::array<uint8_t, 9> ChannelZeroFrame(uint8_t channel);

// Formats 0 and 1: a command for every gauge.
std::array<uint8_t, 20> LongBroadcastFrame(uint8_t code);

// Format 3: a command for every gauge.
std::array<uint8_t, 8> ShortBroadcastFrame(uint8_t code);

// Format 4: ask the gauges of channels 4g..4g+3 to answer (g = 0..8).
std::array<uint8_t, 4> WirelessPollFrame(uint8_t group);

// Format 4: command k for every gauge that hears it.
std::array<uint8_t, 4> WirelessCommandFrame(uint8_t k);

// Seals a 4-byte wireless frame to the gauges: CRC-8 over bytes 0..2 into
// byte 3 with bit 7 always set, the CRC's own bit 7 carried in bit 6 of byte 0.
void SealWirelessFrame(std::array<uint8_t, 4>& frame);

}  // namespace vexla
