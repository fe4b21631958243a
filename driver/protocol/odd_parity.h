#pragma once
// Odd parity of the text frame's characters. The table keeps the driver's
// historical sense: 0 marks a byte with an odd number of 1 bits (valid).

#include <array>
#include <cstdint>

namespace vexla {

constexpr std::array<uint8_t, 256> MakeOddParityTable() {
    std::array<uint8_t, 256> table{};
    for (unsigned v = 0; v < 256; ++v) {
        unsigned ones = 0;
        for (unsigned b = v; b != 0; b >>= 1) ones += b & 1;
        table[v] = (ones % 2 == 1) ? 0 : 1;
    }
    return table;
}

inline constexpr std::array<uint8_t, 256> OddParityTable = MakeOddParityTable();

constexpr bool HasOddParity(uint8_t byte) {
    return OddParityTable[byte] == 0;
}

// The one byte with odd parity whose low 7 bits are `character`.
constexpr uint8_t WithOddParity(uint8_t character) {
    const uint8_t low = character & 0x7F;
    return HasOddParity(low) ? low : static_cast<uint8_t>(low | 0x80);
}

}  // namespace vexla
