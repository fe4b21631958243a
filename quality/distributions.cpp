#include "distributions.h"

#include <array>
#include <cmath>
#include <mutex>
#include <optional>
#include <vector>

namespace vexla::quality {
namespace {

// The continued fraction of I_x(a, b) by the modified Lentz method; it
// converges fast for x < (a + 1) / (a + b + 2), the caller swaps otherwise.
double BetaFraction(double a, double b, double x) {
    constexpr double kTiny = 1e-300;
    constexpr double kEpsilon = 1e-15;
    double c = 1;
    double d = 1 - (a + b) * x / (a + 1);
    if (std::fabs(d) < kTiny) d = kTiny;
    d = 1 / d;
    double h = d;
    for (int m = 1; m <= 1000; ++m) {
        const double m2 = 2.0 * m;
        double term = m * (b - m) * x / ((a + m2 - 1) * (a + m2));
        d = 1 + term * d;
        c = 1 + term / c;
        if (std::fabs(d) < kTiny) d = kTiny;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1 / d;
        h *= d * c;
        term = -(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1));
        d = 1 + term * d;
        c = 1 + term / c;
        if (std::fabs(d) < kTiny) d = kTiny;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1 / d;
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1) < kEpsilon) break;
    }
    return h;
}

double NormalCdf(double x) {
    return 0.5 * std::erfc(-x / std::sqrt(2.0));
}

RangeMoments Integrate(int n) {
    // F_R(r) = n ∫ φ(x) (Φ(x + r) − Φ(x))^(n−1) dx, then d2 = ∫ (1 − F_R) dr
    // and E[R²] = ∫ 2r (1 − F_R) dr, all by Simpson's rule on one grid so
    // that Φ(x + r) is a table lookup.
    constexpr double kStep = 0.04;
    constexpr int kHalf = 200;    // x from −8 to +8
    constexpr int kRanges = 400;  // r from 0 to 16
    std::vector<double> cdf(2 * kHalf + kRanges + 1);
    std::vector<double> pdf(2 * kHalf + 1);
    for (size_t i = 0; i < cdf.size(); ++i) cdf[i] = NormalCdf((static_cast<double>(i) - kHalf) * kStep);
    for (size_t i = 0; i < pdf.size(); ++i) {
        const double x = (static_cast<double>(i) - kHalf) * kStep;
        pdf[i] = std::exp(-x * x / 2) / 2.5066282746310002;  // over √(2π)
    }
    const auto simpson = [](int i, int last) { return i == 0 || i == last ? 1.0 : (i % 2 == 1 ? 4.0 : 2.0); };
    double d2 = 0, meanSquare = 0;
    for (int j = 0; j <= kRanges; ++j) {
        double below = 0;
        for (int i = 0; i <= 2 * kHalf; ++i) {
            const double inside = cdf[static_cast<size_t>(i + j)] - cdf[static_cast<size_t>(i)];
            below += simpson(i, 2 * kHalf) * pdf[static_cast<size_t>(i)] * std::pow(inside, n - 1);
        }
        const double above = 1 - n * below * kStep / 3;
        const double r = j * kStep;
        d2 += simpson(j, kRanges) * above;
        meanSquare += simpson(j, kRanges) * 2 * r * above;
    }
    d2 *= kStep / 3;
    meanSquare *= kStep / 3;
    return {d2, std::sqrt(meanSquare)};
}

}  // namespace

double RegularizedBeta(double a, double b, double x) {
    if (x <= 0) return 0;
    if (x >= 1) return 1;
    const double front =
        std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x));
    if (x < (a + 1) / (a + b + 2)) return front * BetaFraction(a, b, x) / a;
    return 1 - front * BetaFraction(b, a, 1 - x) / b;
}

double FUpperTail(double f, double d1, double d2) {
    if (!(f > 0)) return 1;
    return RegularizedBeta(d2 / 2, d1 / 2, d2 / (d2 + d1 * f));
}

double TTwoSided(double t, double df) {
    return RegularizedBeta(df / 2, 0.5, df / (df + t * t));
}

double TQuantile(double p, double df) {
    const auto cdf = [df](double t) { return t >= 0 ? 1 - TTwoSided(t, df) / 2 : TTwoSided(t, df) / 2; };
    double low = -1e6, high = 1e6;
    for (int i = 0; i < 200 && high - low > 1e-12 * std::max(1.0, std::fabs(low)); ++i) {
        const double middle = (low + high) / 2;
        (cdf(middle) < p ? low : high) = middle;
    }
    return (low + high) / 2;
}

RangeMoments NormalRangeMoments(int n) {
    // A study asks for the same few sizes again and again: each is worked out once.
    static std::mutex guard;
    static std::array<std::optional<RangeMoments>, 64> known;
    if (n < 2 || n >= static_cast<int>(known.size())) return Integrate(std::max(n, 2));
    const std::lock_guard<std::mutex> lock(guard);
    auto& slot = known[static_cast<size_t>(n)];
    if (!slot) slot = Integrate(n);
    return *slot;
}

}  // namespace vexla::quality
