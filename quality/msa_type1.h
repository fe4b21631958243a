#pragma once
// A Type-1 study: one master part of known size measured again and again
// on one gauge. Its spread against a fifth of the tolerance (Cg) and its
// spread and bias against a tenth of it (Cgk):
//   Cg  = 0.2 · T / (6 s)       Cgk = (0.1 · T − |x̄ − reference|) / (3 s)
// both capable from 1.33; and whether the bias differs from zero (t-test,
// two-sided, at 5 %).

#include <optional>
#include <vector>

#include "base/result.h"

namespace vexla::quality {

inline constexpr double kCapableCg = 1.33;
inline constexpr double kBiasSignificance = 0.05;

struct Type1Result {
    int count = 0;
    double mean = 0;
    double s = 0;  // sample standard deviation (n − 1)
    double bias = 0;
    double minimum = 0, maximum = 0;
    // Empty when the readings have no spread (every one the same digit).
    std::optional<double> cg, cgk;
    std::optional<double> t, p;  // the bias's t statistic and its two-sided p-value
    bool biasSignificant = false;
    bool capable = false;  // Cg and Cgk both at least 1.33 (no spread: the bias alone decides)
};

// Needs at least two readings and a tolerance above zero.
Result<Type1Result> AnalyseType1(const std::vector<double>& readings, double reference, double tolerance);

}  // namespace vexla::quality
