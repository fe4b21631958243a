#pragma once
// Whole numbers and channel lists as users type them on command lines and
// in files.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vexla {

// A whole number written with digits only (no sign, no blanks), within
// [lowest, highest]; nothing otherwise.
std::optional<int64_t> ParseWholeNumber(std::string_view text, int64_t lowest, int64_t highest);

// "1-8,12": channels numbered 1..32 as a mask, bit c - 1 for channel c.
// Nothing for an empty item, a channel outside 1..32 or a range backwards.
std::optional<uint32_t> ParseChannelList(std::string_view text);

}  // namespace vexla
