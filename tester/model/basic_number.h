#pragma once
// Reading a channel number typed into a text box the way a BASIC program's
// Val reads it: blanks anywhere are skipped, then an optional sign, digits
// with at most one decimal point and an optional exponent (E or D), or &H /
// &O followed by hexadecimal / octal digits; reading stops at the first
// character that cannot continue the number, and text that starts with
// none gives 0.

#include <optional>
#include <string_view>

namespace vexla::tester {

double BasicVal(std::string_view text);

// The channel index (0..31) that a box's text names: its value rounded to
// the nearest whole number (a half to the even neighbour), when that is a
// channel number 1..32; nothing otherwise.
std::optional<int> ChannelIndexFromText(std::string_view text);

}  // namespace vexla::tester
