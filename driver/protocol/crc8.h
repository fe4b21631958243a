#pragma once
// Dallas/Maxim CRC-8 of the wireless gauges: reflected polynomial 0x8C,
// initial value 0, no final XOR. A message followed by its own CRC checks to 0.

#include <array>
#include <cstdint>
#include <span>

namespace vexla {

constexpr std::array<uint8_t, 256> MakeUnitCRC() {
    std::array<uint8_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0x8C : crc >> 1;
        table[i] = static_cast<uint8_t>(crc);
    }
    return table;
}

inline constexpr std::array<uint8_t, 256> UnitCRC = MakeUnitCRC();

constexpr uint8_t Crc8(std::span<const uint8_t> bytes) {
    uint8_t crc = 0;
    for (uint8_t b : bytes) crc = UnitCRC[crc ^ b];
    return crc;
}

}  // namespace vexla
