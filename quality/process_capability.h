#pragma once
// Capability of one characteristic against its tolerance: Cp and Cpk
// from the within-subgroup σ (the control chart's), Pp and Ppk from the
// overall σ, Cpm (Taguchi) around the nominal from the overall σ. An index
// that the limits or the spread do not allow is empty: Cp, Pp and Cpm need
// both limits (Cpm also the nominal), and no index exists without spread.

#include <optional>

namespace vexla::quality {

struct Tolerance {
    std::optional<double> lower;
    std::optional<double> upper;
    std::optional<double> nominal;
};

struct ProcessCapability {
    std::optional<double> cp, cpk;
    std::optional<double> pp, ppk;
    std::optional<double> cpm;
};

ProcessCapability CapabilityOf(double mean, double sigmaWithin, double sigmaOverall, const Tolerance& tolerance);

}  // namespace vexla::quality
