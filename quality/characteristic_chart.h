#pragma once
// One characteristic's statistical process control over a run of parts:
// its readings in part order, the control limits from a baseline of its own
// first parts (or given from an earlier run), the chart's points with every
// run rule they break, and its capability, marked when the chart shows the
// process out of control (the capability of an unstable process predicts
// nothing). LiveChart takes the parts as they come, for the recorder and the
// monitor; Analyse takes a whole run, for the report.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "control_chart.h"
#include "process_capability.h"
#include "run_rules.h"

namespace vexla::quality {

inline constexpr int kDefaultBaselineParts = 25;

struct ChartSettings {
    int subgroup = 1;                           // 1..25 consecutive parts per point
    int baselineParts = kDefaultBaselineParts;  // the first parts the limits come from
    RuleSet rules = RuleSet::WesternElectric;
    std::optional<ControlLimits> given;  // limits of an earlier run: no baseline then
    // Keep every value, point and violation (a report); otherwise only what
    // the rules look back on, the counts and the last violation, so that a
    // run of any length takes the same memory (the recorder, the monitor).
    bool keepHistory = true;
};

enum class ChartSide { Location, Spread };

struct Violation {
    int rule = 0;
    ChartSide chart = ChartSide::Location;
    std::size_t point = 0;      // the chart point: the part (I-MR) or the subgroup
    std::size_t firstPart = 0;  // the parts that point stands for, from 0
    std::size_t lastPart = 0;
    friend bool operator==(const Violation&, const Violation&) = default;
};

// "rule 2" or "R rule 1": a violation as people name it (the spread chart's
// by its letter: MR, R or S).
std::string ViolationName(const Violation& v, ChartKind kind);

class LiveChart {
  public:
    explicit LiveChart(ChartSettings settings);

    // One part's reading. Returns the violations it brought to light: none
    // while the baseline fills; the baseline's own as its last part comes.
    std::vector<Violation> Add(double value);

    const ChartSettings& Settings() const { return settings_; }
    const std::optional<ControlLimits>& Limits() const { return limits_; }
    // With keepHistory: every value, point and violation.
    const std::vector<double>& Values() const { return values_; }
    const std::vector<ChartPoint>& Points() const { return points_; }
    const std::vector<Violation>& Violations() const { return violations_; }
    std::size_t PartCount() const { return parts_; }
    std::size_t ViolationCount() const { return violationCount_; }
    const std::optional<Violation>& LastViolation() const { return last_; }
    // Limits exist and no point breaks a rule.
    bool InControl() const { return limits_ && violationCount_ == 0; }

  private:
    // `kept`: the point's index among those kept; `point`: its number in the run.
    std::vector<Violation> Check(std::size_t kept, std::size_t point);

    ChartSettings settings_;
    std::optional<ControlLimits> limits_;
    std::vector<double> values_;
    std::vector<double> locations_;  // the points' location statistics, for the rules
    std::vector<ChartPoint> points_;
    std::vector<Violation> violations_;
    std::size_t parts_ = 0;
    std::size_t pointCount_ = 0;
    std::size_t violationCount_ = 0;
    std::optional<Violation> last_;
};

struct CharacteristicAnalysis {
    std::optional<ControlLimits> limits;
    std::string limitsMissing;  // why there are none (too few parts)
    std::vector<ChartPoint> points;
    std::vector<Violation> violations;
    std::size_t count = 0;
    double mean = 0;
    double sigmaOverall = 0;  // sample standard deviation of all readings
    ProcessCapability capability;
    bool inControl = false;
};

CharacteristicAnalysis Analyse(std::span<const double> values, const ChartSettings& settings,
                               const Tolerance& tolerance);

}  // namespace vexla::quality
