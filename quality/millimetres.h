#pragma once
// Lengths as exact decimals: ten-thousandths of a millimetre in 64 bits, so
// that limits and recorded readings compare without rounding surprises
// (0.01 mm and 0.001 mm gauges both fit; a reading never needs more).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexla::quality {

// Ten-thousandths of a millimetre.
using Fixed = int64_t;
inline constexpr Fixed kFixedPerMm = 10000;
inline constexpr int kFixedDecimals = 4;

// "-1.25", "+0.005", "3", ".5", "12." as Fixed. Blanks around the number
// are allowed; anything else (more than four decimals, an exponent, junk,
// a value beyond a kilometre) gives nothing.
std::optional<Fixed> ParseMillimetres(std::string_view text);

// "12.340" for 123400 with 3 decimals; the value is rounded half away from
// zero when fewer than four decimals are asked for.
std::string MillimetreText(Fixed value, int decimals);

// A number with that many decimals (0..4), e.g. 123 with 2 as 1.23 mm.
inline constexpr Fixed FixedOf(int64_t number, int decimals) {
    for (int d = decimals; d < kFixedDecimals; ++d) number *= 10;
    return number;
}

// A computed number (a mean, a deviation, Cp) with that many decimals;
// a value that rounds to zero gets no minus sign.
std::string DecimalText(double value, int decimals);

inline double ToMillimetres(Fixed value) {
    return static_cast<double>(value) / kFixedPerMm;
}

}  // namespace vexla::quality
