#include "process_capability.h"

#include <algorithm>
#include <cmath>

namespace vexla::quality {
namespace {

// The spread index (both limits) and the nearer-limit index for one σ.
void Indices(double mean, double sigma, const Tolerance& tolerance, std::optional<double>& spread,
             std::optional<double>& centred) {
    if (!(sigma > 0)) return;
    if (tolerance.lower && tolerance.upper) spread = (*tolerance.upper - *tolerance.lower) / (6 * sigma);
    std::optional<double> nearer;
    if (tolerance.upper) nearer = (*tolerance.upper - mean) / (3 * sigma);
    if (tolerance.lower) {
        const double below = (mean - *tolerance.lower) / (3 * sigma);
        nearer = nearer ? std::min(*nearer, below) : below;
    }
    centred = nearer;
}

}  // namespace

ProcessCapability CapabilityOf(double mean, double sigmaWithin, double sigmaOverall, const Tolerance& tolerance) {
    ProcessCapability c;
    Indices(mean, sigmaWithin, tolerance, c.cp, c.cpk);
    Indices(mean, sigmaOverall, tolerance, c.pp, c.ppk);
    if (tolerance.lower && tolerance.upper && tolerance.nominal) {
        const double off = mean - *tolerance.nominal;
        const double tau = std::sqrt(sigmaOverall * sigmaOverall + off * off);
        if (tau > 0) c.cpm = (*tolerance.upper - *tolerance.lower) / (6 * tau);
    }
    return c;
}

}  // namespace vexla::quality
