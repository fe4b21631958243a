#include "msa_type1.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "distributions.h"

namespace vexla::quality {

Result<Type1Result> AnalyseType1(const std::vector<double>& readings, double reference, double tolerance) {
    if (readings.size() < 2)
        return Error{{}, "a Type-1 study needs at least 2 readings, not " + std::to_string(readings.size())};
    if (!(tolerance > 0)) return Error{{}, "a Type-1 study needs a tolerance above 0 mm"};
    Type1Result r;
    r.count = static_cast<int>(readings.size());
    for (const double x : readings) r.mean += x;
    r.mean /= r.count;
    double squares = 0;
    for (const double x : readings) squares += (x - r.mean) * (x - r.mean);
    r.s = std::sqrt(squares / (r.count - 1));
    const auto [low, high] = std::minmax_element(readings.begin(), readings.end());
    r.minimum = *low;
    r.maximum = *high;
    r.bias = r.mean - reference;
    // Readings with no spread at all: a mean that differs from the
    // reference is then a bias beyond doubt, and one that does not is none.
    if (r.maximum == r.minimum) {
        r.biasSignificant = r.bias != 0;
        r.capable = std::fabs(r.bias) < 0.1 * tolerance;
        return r;
    }
    r.cg = 0.2 * tolerance / (6 * r.s);
    r.cgk = (0.1 * tolerance - std::fabs(r.bias)) / (3 * r.s);
    r.t = r.bias / (r.s / std::sqrt(static_cast<double>(r.count)));
    r.p = TTwoSided(*r.t, r.count - 1);
    r.biasSignificant = *r.p < kBiasSignificance;
    r.capable = *r.cg >= kCapableCg && *r.cgk >= kCapableCg;
    return r;
}

}  // namespace vexla::quality
