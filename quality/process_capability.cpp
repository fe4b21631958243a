#include "process_capability.h"

#include <algorithm>
#include <cmath>

namespace vexla::quality {
namespace {

// The spread index (both limits) and the nearer-limit index for one σ.
void Indices(double mean, double sigma, const Specification& spec, std::optional<double>& spread,
             std::optional<double>& centred) {
    if (!(sigma > 0)) return;
    if (spec.lower && spec.upper) spread = (*spec.upper - *spec.lower) / (6 * sigma);
    std::optional<double> nearer;
    if (spec.upper) nearer = (*spec.upper - mean) / (3 * sigma);
    if (spec.lower) {
        const double below = (mean - *spec.lower) / (3 * sigma);
        nearer = nearer ? std::min(*nearer, below) : below;
    }
    centred = nearer;
}

}  // namespace

ProcessCapability CapabilityOf(double mean, double sigmaWithin, double sigmaOverall, const Specification& spec) {
    ProcessCapability c;
    Indices(mean, sigmaWithin, spec, c.cp, c.cpk);
    Indices(mean, sigmaOverall, spec, c.pp, c.ppk);
    if (spec.lower && spec.upper && spec.nominal) {
        const double off = mean - *spec.nominal;
        const double tau = std::sqrt(sigmaOverall * sigmaOverall + off * off);
        if (tau > 0) c.cpm = (*spec.upper - *spec.lower) / (6 * tau);
    }
    return c;
}

}  // namespace vexla::quality
