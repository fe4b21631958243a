#pragma once
// A crossed gauge R&R study: every operator measures every part in every
// trial. Two analyses of the same readings: the analysis of variance
// (parts, operators, their interaction and repeatability, with the
// interaction pooled into repeatability when its p-value is above
// kInteractionPoolingP), and the average-and-range method as a cross-check.
// Figures are standard deviations (σ); the study variation is 6σ, so
// %tolerance = 100 · 6σ / T.

#include <optional>
#include <string>
#include <vector>

#include "base/result.h"

namespace vexla::quality {

// Above this p-value the part × operator interaction is taken for chance
// and pooled into repeatability (the customary 0.25 of the AIAG manual:
// generous, so that a real interaction is rarely pooled away).
inline constexpr double kInteractionPoolingP = 0.25;

inline constexpr int kMinStudyParts = 2, kMaxStudyParts = 50;
inline constexpr int kMinStudyOperators = 1, kMaxStudyOperators = 10;
inline constexpr int kMinStudyTrials = 2, kMaxStudyTrials = 10;

// The readings in mm, one per (operator, trial, part); NaN where none came.
class GaugeRrData {
  public:
    GaugeRrData(int parts, int operators, int trials);
    int Parts() const { return parts_; }
    int Operators() const { return operators_; }
    int Trials() const { return trials_; }
    // Operator, trial and part from 0.
    double& At(int op, int trial, int part) { return values_[Index(op, trial, part)]; }
    double At(int op, int trial, int part) const { return values_[Index(op, trial, part)]; }

  private:
    size_t Index(int op, int trial, int part) const {
        return (static_cast<size_t>(op) * static_cast<size_t>(trials_) + static_cast<size_t>(trial)) *
                   static_cast<size_t>(parts_) +
               static_cast<size_t>(part);
    }
    int parts_, operators_, trials_;
    std::vector<double> values_;
};

struct AnovaRow {
    double ss = 0;
    int df = 0;
    double ms = 0;
    std::optional<double> f, p;  // empty for repeatability and the total
};

enum class GrrVerdict { Acceptable, Conditional, NotAcceptable };
// "acceptable", "conditional", "not acceptable".
const char* GrrVerdictText(GrrVerdict verdict);

// The figures both methods give, as σ.
struct GrrFigures {
    double ev = 0;           // repeatability, equipment variation
    double av = 0;           // reproducibility, appraiser variation
    double interaction = 0;  // part × operator (0 when pooled, or for the average-and-range method)
    double grr = 0;
    double pv = 0;
    double tv = 0;
    // Of the total variation, in %: EV, AV, interaction, GRR, PV.
    double evPercent = 0, avPercent = 0, interactionPercent = 0, grrPercent = 0, pvPercent = 0;
    std::optional<double> grrTolerancePercent;  // 100 · 6 GRR / T, with a tolerance
    std::optional<int> ndc;                     // ⌊1.41 · PV / GRR⌋; none without any GRR
    // From %GRR of TV (under 10 % acceptable, up to 30 % conditional, above
    // not acceptable); fewer than 5 distinct categories are not acceptable,
    // nor is a study whose readings do not vary at all.
    GrrVerdict verdict = GrrVerdict::NotAcceptable;
};

struct GrrAnova {
    AnovaRow part, op, interaction, repeatability, total;
    bool hasOperators = false;     // more than one operator
    bool pooled = false;           // the interaction went into repeatability
    AnovaRow pooledRepeatability;  // with `pooled`
    // Variance components, mm².
    double varRepeatability = 0, varOperator = 0, varInteraction = 0, varPart = 0;
    GrrFigures figures;
};

struct GrrAverageRange {
    double rBarBar = 0;  // the mean of every operator's and part's range
    double xDiff = 0;    // the range of the operators' averages
    double rP = 0;       // the range of the parts' averages
    double k1 = 0, k2 = 0, k3 = 0;
    double uclR = 0;  // the range chart's upper limit, D4 · R̄̄
    GrrFigures figures;
};

struct GaugeRrResult {
    GrrAnova anova;
    GrrAverageRange averageRange;
};

// Refuses a study outside the sizes above or with a missing reading
// ("operator 2, trial 1, part 7 has no reading").
Result<GaugeRrResult> AnalyseGaugeRr(const GaugeRrData& data, std::optional<double> tolerance);

}  // namespace vexla::quality
