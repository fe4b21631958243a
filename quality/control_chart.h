#pragma once
// Shewhart control charts of one characteristic: individuals and moving
// range (I-MR) for one reading per part, X̄-R for subgroups of 2 to 10
// consecutive parts, X̄-S for 11 to 25. The limits come from a baseline of
// the process's own readings, never from the tolerance.

#include <span>
#include <vector>

#include "base/result.h"

namespace vexla::quality {

enum class ChartKind { IndividualsMovingRange, MeanRange, MeanStdDev };

// 1: I-MR; 2..10: X̄-R; 11..25: X̄-S.
ChartKind KindFor(int subgroup);

struct ControlLines {
    double centre = 0;
    double lower = 0;
    double upper = 0;
};

struct ControlLimits {
    ChartKind kind = ChartKind::IndividualsMovingRange;
    int subgroup = 1;
    ControlLines location;   // the individuals or the subgroup means
    ControlLines spread;     // the moving ranges, ranges or standard deviations
    double sigmaWithin = 0;  // MR̄/d2, R̄/d2 or s̄/c4
};

// One plotted point: the location statistic of a part or subgroup, and its
// spread statistic (none for the first individual, which has no moving range).
struct ChartPoint {
    double location = 0;
    double spread = 0;
    bool hasSpread = false;
};

// The points of `values` (in time order) for subgroups of `subgroup`
// consecutive readings; an incomplete last subgroup is left out.
std::vector<ChartPoint> ChartPoints(std::span<const double> values, int subgroup);

// Limits from a baseline: at least two points, a subgroup of 1 to 25.
Result<ControlLimits> LimitsFromBaseline(std::span<const double> values, int subgroup);

}  // namespace vexla::quality
