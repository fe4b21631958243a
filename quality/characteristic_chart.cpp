#include "characteristic_chart.h"

#include <algorithm>
#include <cmath>

#include "control_constants.h"

namespace vexla::quality {

std::string ViolationName(const Violation& v, ChartKind kind) {
    if (v.chart == ChartSide::Location) return "rule " + std::to_string(v.rule);
    const char* letter = kind == ChartKind::IndividualsMovingRange ? "MR" : kind == ChartKind::MeanRange ? "R" : "S";
    return std::string(letter) + " rule " + std::to_string(v.rule);
}

LiveChart::LiveChart(ChartSettings settings) : settings_(std::move(settings)) {
    settings_.subgroup = std::clamp(settings_.subgroup, 1, kMaxSubgroup);
    if (settings_.given) limits_ = settings_.given;
}

std::vector<Violation> LiveChart::Add(double value) {
    values_.push_back(value);
    ++parts_;
    const auto n = static_cast<std::size_t>(settings_.subgroup);
    std::vector<Violation> found;
    // A point for each complete subgroup (each part for individuals).
    if (parts_ % n != 0) return found;
    ChartPoint point;
    if (n == 1) {
        const std::size_t i = values_.size() - 1;
        point = {value, i > 0 ? std::fabs(value - values_[i - 1]) : 0, i > 0};
    } else {
        point = ChartPoints(std::span(values_).last(n), settings_.subgroup).front();
    }
    ++pointCount_;
    points_.push_back(point);
    locations_.push_back(point.location);
    if (!limits_) {
        if (parts_ < static_cast<std::size_t>(std::max(settings_.baselineParts, 2))) return found;
        Result<ControlLimits> made = LimitsFromBaseline(values_, settings_.subgroup);
        if (!made) return found;  // too few points yet: the next part tries again
        limits_ = *made;
        // The baseline's own points are judged by the limits they made.
        for (std::size_t p = 0; p < points_.size(); ++p) {
            auto more = Check(p, p);
            found.insert(found.end(), more.begin(), more.end());
        }
    } else {
        found = Check(points_.size() - 1, pointCount_ - 1);
    }
    if (!settings_.keepHistory) {
        // Only what the rules and the next moving range or subgroup look back on.
        constexpr std::ptrdiff_t kLookBack = 15;
        if (std::ssize(locations_) > kLookBack) locations_.erase(locations_.begin(), locations_.end() - kLookBack);
        if (points_.size() > 1) points_.erase(points_.begin(), points_.end() - 1);
        const auto keep = static_cast<std::ptrdiff_t>(n);
        if (std::ssize(values_) > keep) values_.erase(values_.begin(), values_.end() - keep);
    }
    return found;
}

std::vector<Violation> LiveChart::Check(std::size_t kept, std::size_t point) {
    const ControlLimits& l = *limits_;
    const auto n = static_cast<std::size_t>(settings_.subgroup);
    std::vector<Violation> found;
    const double sigma = (l.location.upper - l.location.centre) / 3;
    // Without history fewer locations than points may be kept: both end here.
    const std::size_t location = kept + locations_.size() - points_.size();
    for (int rule : RulesBrokenAt(locations_, location, l.location.centre, sigma, settings_.rules))
        found.push_back({rule, ChartSide::Location, point, point * n, point * n + n - 1});
    const ChartPoint& p = points_[kept];
    if (p.hasSpread && (p.spread > l.spread.upper || p.spread < l.spread.lower))
        found.push_back({1, ChartSide::Spread, point, point * n, point * n + n - 1});
    violationCount_ += found.size();
    if (!found.empty()) last_ = found.back();
    if (settings_.keepHistory) violations_.insert(violations_.end(), found.begin(), found.end());
    return found;
}

CharacteristicAnalysis Analyse(std::span<const double> values, const ChartSettings& settings,
                               const Tolerance& tolerance) {
    CharacteristicAnalysis a;
    LiveChart chart(settings);
    double sum = 0;
    for (double v : values) {
        chart.Add(v);
        sum += v;
    }
    a.count = values.size();
    a.limits = chart.Limits();
    a.points = chart.Points();
    a.violations = chart.Violations();
    a.inControl = chart.InControl();
    if (!a.limits) {
        a.limitsMissing = "the baseline needs " + std::to_string(std::max(settings.baselineParts, 2)) + " parts, " +
                          std::to_string(values.size()) + " came";
    }
    if (!values.empty()) a.mean = sum / static_cast<double>(values.size());
    if (values.size() > 1) {
        double squares = 0;
        for (double v : values) squares += (v - a.mean) * (v - a.mean);
        a.sigmaOverall = std::sqrt(squares / static_cast<double>(values.size() - 1));
    }
    a.capability = CapabilityOf(a.mean, a.limits ? a.limits->sigmaWithin : 0, a.sigmaOverall, tolerance);
    return a;
}

}  // namespace vexla::quality
