#pragma once
// The constants of Shewhart control charts for subgroups of n = 2 to 25:
// d2 and d3 (mean and standard deviation of the range of n normal readings,
// in units of σ) as tabulated, c4 (the bias of the sample standard
// deviation) from its exact formula, and the limit factors made from them
// for three-sigma limits:
//   A2 = 3 / (d2 √n)   D3 = max(0, 1 − 3 d3/d2)   D4 = 1 + 3 d3/d2
//   A3 = 3 / (c4 √n)   B3 = max(0, 1 − 3 √(1 − c4²)/c4)   B4 = 1 + 3 √(1 − c4²)/c4

#include <optional>

namespace vexla::quality {

inline constexpr int kMinSubgroup = 2;
inline constexpr int kMaxSubgroup = 25;

struct ChartConstants {
    double d2, d3, c4;
    double A2, D3, D4;
    double A3, B3, B4;
};

// Empty outside 2..25.
std::optional<ChartConstants> ConstantsFor(int n);

}  // namespace vexla::quality
