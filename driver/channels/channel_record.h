#pragma once
// The record of one result for all 32 channels. Hosts receive it byte for
// byte, so its layout (324 bytes, packed, little-endian) is an external format.

#include <array>
#include <cstddef>
#include <cstdint>

namespace vexla {

inline constexpr std::size_t kChannels = 32;

// Every field already sits at its natural alignment, so the record needs no
// packing pragma (which would make its arrays misaligned inside other
// structures); the assertions below pin the layout on every target.
struct TChannelRecord {
    int16_t Header = 0;                             // -1: carries a processing result; 0: empty
    int16_t RelativeFlag = 0;                       // -1: relative mode was on when it was made
    std::array<int32_t, kChannels> Value{};         // the gauge's own display value
    std::array<int32_t, kChannels> Displacement{};  // position minus reference point
    std::array<int16_t, kChannels> Updated{};       // -1: data in this record
};

static_assert(sizeof(TChannelRecord) == 324);
static_assert(offsetof(TChannelRecord, Header) == 0);
static_assert(offsetof(TChannelRecord, RelativeFlag) == 2);
static_assert(offsetof(TChannelRecord, Value) == 4);
static_assert(offsetof(TChannelRecord, Displacement) == 132);
static_assert(offsetof(TChannelRecord, Updated) == 260);

inline constexpr int16_t kFlagTrue = -1;
inline constexpr int16_t kFlagFalse = 0;

}  // namespace vexla
