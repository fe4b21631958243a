#include "gauge_rr.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "distributions.h"

namespace vexla::quality {
namespace {

// F and its p-value, or nothing where the denominator has no spread.
void Test(AnovaRow& row, const AnovaRow& against) {
    if (!(against.ms > 0) || row.df == 0) return;
    row.f = row.ms / against.ms;
    row.p = FUpperTail(*row.f, row.df, against.df);
}

AnovaRow Row(double ss, int df) {
    AnovaRow row;
    row.ss = ss;
    row.df = df;
    row.ms = df > 0 ? ss / df : 0;
    return row;
}

double Root(double variance) {
    return std::sqrt(std::max(0.0, variance));
}

void Conclude(GrrFigures& g, std::optional<double> tolerance) {
    g.grr = std::sqrt(g.ev * g.ev + g.av * g.av + g.interaction * g.interaction);
    g.tv = std::sqrt(g.grr * g.grr + g.pv * g.pv);
    const auto percent = [&](double sigma) { return g.tv > 0 ? 100 * sigma / g.tv : 0.0; };
    g.evPercent = percent(g.ev);
    g.avPercent = percent(g.av);
    g.interactionPercent = percent(g.interaction);
    g.grrPercent = percent(g.grr);
    g.pvPercent = percent(g.pv);
    if (tolerance && *tolerance > 0) g.grrTolerancePercent = 100 * 6 * g.grr / *tolerance;
    // A hair above the quotient, so that an exact 5 is not floored to 4 by rounding.
    if (g.grr > 0) g.ndc = static_cast<int>(std::min(1e9, std::floor(1.41 * g.pv / g.grr + 1e-9)));
    g.verdict = g.grrPercent < 10    ? GrrVerdict::Acceptable
                : g.grrPercent <= 30 ? GrrVerdict::Conditional
                                     : GrrVerdict::NotAcceptable;
    if (g.ndc && *g.ndc < 5) g.verdict = GrrVerdict::NotAcceptable;
    // Every reading the same: the study shows nothing of what the gauge can tell apart.
    if (g.tv == 0) g.verdict = GrrVerdict::NotAcceptable;
}

struct Means {
    double grand = 0;
    std::vector<double> part, op, cell;  // cell: op * parts + part
};

Means MeansOf(const GaugeRrData& d) {
    const int P = d.Parts(), O = d.Operators(), R = d.Trials();
    Means m;
    m.part.assign(static_cast<size_t>(P), 0);
    m.op.assign(static_cast<size_t>(O), 0);
    m.cell.assign(static_cast<size_t>(P * O), 0);
    for (int o = 0; o < O; ++o)
        for (int t = 0; t < R; ++t)
            for (int p = 0; p < P; ++p) {
                const double x = d.At(o, t, p);
                m.grand += x;
                m.part[static_cast<size_t>(p)] += x;
                m.op[static_cast<size_t>(o)] += x;
                m.cell[static_cast<size_t>(o * P + p)] += x;
            }
    m.grand /= static_cast<double>(P * O * R);
    for (double& x : m.part) x /= O * R;
    for (double& x : m.op) x /= P * R;
    for (double& x : m.cell) x /= R;
    return m;
}

GrrAnova Anova(const GaugeRrData& d, const Means& m, std::optional<double> tolerance) {
    const int P = d.Parts(), O = d.Operators(), R = d.Trials();
    double ssPart = 0, ssOp = 0, ssInteraction = 0, ssError = 0, ssTotal = 0;
    for (int p = 0; p < P; ++p) ssPart += std::pow(m.part[static_cast<size_t>(p)] - m.grand, 2);
    for (int o = 0; o < O; ++o) ssOp += std::pow(m.op[static_cast<size_t>(o)] - m.grand, 2);
    for (int o = 0; o < O; ++o)
        for (int p = 0; p < P; ++p) {
            const double cell = m.cell[static_cast<size_t>(o * P + p)];
            ssInteraction +=
                std::pow(cell - m.part[static_cast<size_t>(p)] - m.op[static_cast<size_t>(o)] + m.grand, 2);
            for (int t = 0; t < R; ++t) {
                ssError += std::pow(d.At(o, t, p) - cell, 2);
                ssTotal += std::pow(d.At(o, t, p) - m.grand, 2);
            }
        }
    GrrAnova a;
    a.part = Row(ssPart * O * R, P - 1);
    a.op = Row(ssOp * P * R, O - 1);
    a.interaction = Row(ssInteraction * R, (P - 1) * (O - 1));
    a.repeatability = Row(ssError, P * O * (R - 1));
    a.total = Row(ssTotal, P * O * R - 1);
    a.hasOperators = O > 1;
    a.varRepeatability = a.repeatability.ms;
    if (!a.hasOperators) {
        Test(a.part, a.repeatability);
        a.varPart = std::max(0.0, (a.part.ms - a.repeatability.ms) / R);
    } else {
        Test(a.interaction, a.repeatability);
        a.pooled = a.interaction.p && *a.interaction.p > kInteractionPoolingP;
        const AnovaRow* error = &a.interaction;
        if (a.pooled) {
            a.pooledRepeatability = Row(a.interaction.ss + a.repeatability.ss, a.interaction.df + a.repeatability.df);
            error = &a.pooledRepeatability;
            a.varRepeatability = a.pooledRepeatability.ms;
        } else {
            a.varInteraction = std::max(0.0, (a.interaction.ms - a.repeatability.ms) / R);
        }
        Test(a.part, *error);
        Test(a.op, *error);
        a.varOperator = std::max(0.0, (a.op.ms - error->ms) / (P * R));
        a.varPart = std::max(0.0, (a.part.ms - error->ms) / (O * R));
    }
    a.figures.ev = Root(a.varRepeatability);
    a.figures.av = Root(a.varOperator);
    a.figures.interaction = Root(a.varInteraction);
    a.figures.pv = Root(a.varPart);
    Conclude(a.figures, tolerance);
    return a;
}

GrrAverageRange AverageRange(const GaugeRrData& d, const Means& m, std::optional<double> tolerance) {
    const int P = d.Parts(), O = d.Operators(), R = d.Trials();
    GrrAverageRange ar;
    for (int o = 0; o < O; ++o)
        for (int p = 0; p < P; ++p) {
            double low = d.At(o, 0, p), high = low;
            for (int t = 1; t < R; ++t) {
                low = std::min(low, d.At(o, t, p));
                high = std::max(high, d.At(o, t, p));
            }
            ar.rBarBar += high - low;
        }
    ar.rBarBar /= O * P;
    const auto [opLow, opHigh] = std::minmax_element(m.op.begin(), m.op.end());
    ar.xDiff = *opHigh - *opLow;
    const auto [partLow, partHigh] = std::minmax_element(m.part.begin(), m.part.end());
    ar.rP = *partHigh - *partLow;
    // The K factors to four decimals, as the study form tabulates them, so
    // that a study worked by hand on the form gives the same figures.
    const auto fourDecimals = [](double k) { return std::round(k * 1e4) / 1e4; };
    const RangeMoments trials = NormalRangeMoments(R);
    ar.k1 = fourDecimals(1 / trials.d2);
    ar.k2 = O > 1 ? fourDecimals(1 / NormalRangeMoments(O).d2Single) : 0;
    ar.k3 = fourDecimals(1 / NormalRangeMoments(P).d2Single);
    const double d3 = std::sqrt(std::max(0.0, trials.d2Single * trials.d2Single - trials.d2 * trials.d2));
    ar.uclR = (1 + 3 * d3 / trials.d2) * ar.rBarBar;
    GrrFigures& g = ar.figures;
    g.ev = ar.rBarBar * ar.k1;
    g.av = Root(std::pow(ar.xDiff * ar.k2, 2) - g.ev * g.ev / (P * R));
    g.pv = ar.rP * ar.k3;
    Conclude(g, tolerance);
    return ar;
}

}  // namespace

GaugeRrData::GaugeRrData(int parts, int operators, int trials)
    : parts_(parts),
      operators_(operators),
      trials_(trials),
      values_(static_cast<size_t>(std::max(0, parts) * std::max(0, operators) * std::max(0, trials)),
              std::numeric_limits<double>::quiet_NaN()) {}

const char* GrrVerdictText(GrrVerdict verdict) {
    switch (verdict) {
        case GrrVerdict::Acceptable:
            return "acceptable";
        case GrrVerdict::Conditional:
            return "conditional";
        case GrrVerdict::NotAcceptable:
            break;
    }
    return "not acceptable";
}

Result<GaugeRrResult> AnalyseGaugeRr(const GaugeRrData& data, std::optional<double> tolerance) {
    const auto outside = [](int value, int low, int high) { return value < low || value > high; };
    if (outside(data.Parts(), kMinStudyParts, kMaxStudyParts))
        return Error{{}, "a study needs 2 to 50 parts, not " + std::to_string(data.Parts())};
    if (outside(data.Operators(), kMinStudyOperators, kMaxStudyOperators))
        return Error{{}, "a study needs 1 to 10 operators, not " + std::to_string(data.Operators())};
    if (outside(data.Trials(), kMinStudyTrials, kMaxStudyTrials))
        return Error{{}, "a study needs 2 to 10 trials, not " + std::to_string(data.Trials())};
    for (int o = 0; o < data.Operators(); ++o)
        for (int t = 0; t < data.Trials(); ++t)
            for (int p = 0; p < data.Parts(); ++p)
                if (!std::isfinite(data.At(o, t, p))) {
                    // Piece by piece: GCC 12's optimiser warns falsely about a + chain.
                    std::string where = "operator ";
                    where += std::to_string(o + 1);
                    where += ", trial ";
                    where += std::to_string(t + 1);
                    where += ", part ";
                    where += std::to_string(p + 1);
                    where += " has no reading";
                    return Error{{}, where};
                }
    const Means means = MeansOf(data);
    return GaugeRrResult{Anova(data, means, tolerance), AverageRange(data, means, tolerance)};
}

}  // namespace vexla::quality
