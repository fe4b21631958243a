#pragma once
// Statistics of one channel's readings in one pass: count, extremes, range
// (the total indicator reading), mean and standard deviation by Welford's
// method, which neither keeps the readings nor loses precision to large
// sums; with limits also Cp, Cpk and the count outside.

#include <cstdint>
#include <optional>

#include "tolerance_limits.h"

namespace vexla::quality {

class RunningStats {
  public:
    void Add(Fixed value);
    void Reset() { *this = RunningStats(); }

    uint64_t Count() const { return count_; }
    // Extremes and range in the readings' exact unit; 0 before the first.
    Fixed Minimum() const { return minimum_; }
    Fixed Maximum() const { return maximum_; }
    Fixed Range() const { return maximum_ - minimum_; }
    // In millimetres.
    double Mean() const { return mean_; }
    // The sample standard deviation (n - 1); 0 below two readings.
    double StdDev() const;

  private:
    uint64_t count_ = 0;
    Fixed minimum_ = 0;
    Fixed maximum_ = 0;
    double mean_ = 0;  // mm
    double m2_ = 0;    // sum of squared deviations from the mean, mm²
};

struct Capability {
    double cp = 0;
    double cpk = 0;
};

// Cp = (USL - LSL) / 6σ and Cpk = min(USL - mean, mean - LSL) / 3σ; nothing
// below two readings or without spread, where they are not defined.
std::optional<Capability> CapabilityOf(const RunningStats& stats, const ChannelLimits& limits);

// A channel's statistics and its judged readings.
struct ChannelSummary {
    RunningStats stats;
    uint64_t low = 0;
    uint64_t high = 0;

    // Adds a reading and, with limits, judges it.
    std::optional<Judgement> Add(Fixed displacement, const std::optional<ChannelLimits>& limits);
    uint64_t Outside() const { return low + high; }
};

}  // namespace vexla::quality
