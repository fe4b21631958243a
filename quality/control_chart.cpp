#include "control_chart.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "control_constants.h"

namespace vexla::quality {

ChartKind KindFor(int subgroup) {
    if (subgroup <= 1) return ChartKind::IndividualsMovingRange;
    return subgroup <= 10 ? ChartKind::MeanRange : ChartKind::MeanStdDev;
}

std::vector<ChartPoint> ChartPoints(std::span<const double> values, int subgroup) {
    std::vector<ChartPoint> points;
    if (subgroup <= 1) {
        points.reserve(values.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            points.push_back({values[i], i > 0 ? std::fabs(values[i] - values[i - 1]) : 0, i > 0});
        return points;
    }
    const auto n = static_cast<std::size_t>(subgroup);
    const bool ranges = KindFor(subgroup) == ChartKind::MeanRange;
    for (std::size_t start = 0; start + n <= values.size(); start += n) {
        const auto group = values.subspan(start, n);
        double sum = 0;
        for (double v : group) sum += v;
        const double mean = sum / static_cast<double>(n);
        double spread = 0;
        if (ranges) {
            const auto [low, high] = std::minmax_element(group.begin(), group.end());
            spread = *high - *low;
        } else {
            for (double v : group) spread += (v - mean) * (v - mean);
            spread = std::sqrt(spread / static_cast<double>(n - 1));
        }
        points.push_back({mean, spread, true});
    }
    return points;
}

Result<ControlLimits> LimitsFromBaseline(std::span<const double> values, int subgroup) {
    if (subgroup < 1 || subgroup > kMaxSubgroup)
        return Error{{}, "a subgroup of " + std::to_string(subgroup) + " parts: control charts take 1 to 25"};
    const std::vector<ChartPoint> points = ChartPoints(values, subgroup);
    if (points.size() < 2)
        return Error{{},
                     "the baseline has " + std::to_string(points.size()) + (subgroup == 1 ? " parts" : " subgroups") +
                         ": control limits need at least two"};
    double locations = 0, spreads = 0;
    int withSpread = 0;
    for (const ChartPoint& p : points) {
        locations += p.location;
        if (p.hasSpread) spreads += p.spread, ++withSpread;
    }
    ControlLimits limits;
    limits.kind = KindFor(subgroup);
    limits.subgroup = subgroup;
    const double centre = locations / static_cast<double>(points.size());
    const double spreadBar = spreads / withSpread;
    // Individuals: the moving range of two neighbours is a range of two.
    const ChartConstants k = *ConstantsFor(std::max(subgroup, 2));
    double halfWidth = 0;
    switch (limits.kind) {
        case ChartKind::IndividualsMovingRange:
            limits.sigmaWithin = spreadBar / k.d2;
            halfWidth = 3 * limits.sigmaWithin;
            limits.spread = {spreadBar, k.D3 * spreadBar, k.D4 * spreadBar};
            break;
        case ChartKind::MeanRange:
            limits.sigmaWithin = spreadBar / k.d2;
            halfWidth = k.A2 * spreadBar;
            limits.spread = {spreadBar, k.D3 * spreadBar, k.D4 * spreadBar};
            break;
        case ChartKind::MeanStdDev:
            limits.sigmaWithin = spreadBar / k.c4;
            halfWidth = k.A3 * spreadBar;
            limits.spread = {spreadBar, k.B3 * spreadBar, k.B4 * spreadBar};
            break;
    }
    limits.location = {centre, centre - halfWidth, centre + halfWidth};
    return limits;
}

}  // namespace vexla::quality
