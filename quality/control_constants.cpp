#include "control_constants.h"

#include <algorithm>
#include <cmath>

namespace vexla::quality {
namespace {

// d2 and d3 for n = 2..25 (ASTM STP 15D, as every SPC text reprints them).
constexpr double kD2[] = {1.128, 1.693, 2.059, 2.326, 2.534, 2.704, 2.847, 2.970, 3.078, 3.173, 3.258, 3.336,
                          3.407, 3.472, 3.532, 3.588, 3.640, 3.689, 3.735, 3.778, 3.819, 3.858, 3.895, 3.931};
constexpr double kD3[] = {0.853, 0.888, 0.880, 0.864, 0.848, 0.833, 0.820, 0.808, 0.797, 0.787, 0.778, 0.770,
                          0.763, 0.756, 0.750, 0.744, 0.739, 0.734, 0.729, 0.724, 0.720, 0.716, 0.712, 0.708};

}  // namespace

std::optional<ChartConstants> ConstantsFor(int n) {
    if (n < kMinSubgroup || n > kMaxSubgroup) return std::nullopt;
    ChartConstants k{};
    k.d2 = kD2[n - kMinSubgroup];
    k.d3 = kD3[n - kMinSubgroup];
    k.c4 = std::sqrt(2.0 / (n - 1)) * std::exp(std::lgamma(n / 2.0) - std::lgamma((n - 1) / 2.0));
    const double rootN = std::sqrt(static_cast<double>(n));
    k.A2 = 3 / (k.d2 * rootN);
    k.D3 = std::max(0.0, 1 - 3 * k.d3 / k.d2);
    k.D4 = 1 + 3 * k.d3 / k.d2;
    const double spread = 3 * std::sqrt(1 - k.c4 * k.c4) / k.c4;
    k.A3 = 3 / (k.c4 * rootN);
    k.B3 = std::max(0.0, 1 - spread);
    k.B4 = 1 + spread;
    return k;
}

}  // namespace vexla::quality
