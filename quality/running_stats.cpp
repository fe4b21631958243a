#include "running_stats.h"

#include <algorithm>
#include <cmath>

namespace vexla::quality {

void RunningStats::Add(Fixed value) {
    if (count_ == 0 || value < minimum_) minimum_ = value;
    if (count_ == 0 || value > maximum_) maximum_ = value;
    ++count_;
    const double x = ToMillimetres(value);
    const double delta = x - mean_;
    mean_ += delta / static_cast<double>(count_);
    m2_ += delta * (x - mean_);
}

double RunningStats::StdDev() const {
    if (count_ < 2) return 0;
    return std::sqrt(std::max(0.0, m2_) / static_cast<double>(count_ - 1));
}

std::optional<Capability> CapabilityOf(const RunningStats& stats, const ChannelLimits& limits) {
    const double sigma = stats.StdDev();
    if (stats.Count() < 2 || !(sigma > 0)) return std::nullopt;
    const double lsl = ToMillimetres(limits.LowerLimit());
    const double usl = ToMillimetres(limits.UpperLimit());
    Capability capability;
    capability.cp = (usl - lsl) / (6 * sigma);
    capability.cpk = std::min(usl - stats.Mean(), stats.Mean() - lsl) / (3 * sigma);
    return capability;
}

std::optional<Judgement> ChannelSummary::Add(Fixed displacement, const std::optional<ChannelLimits>& limits) {
    stats.Add(displacement);
    if (!limits) return std::nullopt;
    const Judgement judgement = limits->Judge(displacement);
    if (judgement == Judgement::Low) ++low;
    if (judgement == Judgement::High) ++high;
    return judgement;
}

}  // namespace vexla::quality
