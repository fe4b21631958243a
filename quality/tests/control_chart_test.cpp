// Control chart constants against the published table, limits from
// hand-computed baselines, every run rule at exactly the point that breaks
// it (and a neighbour series that just does not), capability by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "quality/characteristic_chart.h"
#include "quality/control_chart.h"
#include "quality/control_constants.h"
#include "quality/control_limits_file.h"
#include "quality/process_capability.h"
#include "quality/run_rules.h"

namespace vexla::quality {
namespace {

TEST(ChartConstants, MatchThePublishedTableForTwoToTwentyFive) {
    // n, A2, D3, D4, A3, B3, B4, c4 as the SPC texts print them (three or four decimals).
    const double table[][8] = {
        {2, 1.880, 0, 3.267, 2.659, 0, 3.267, 0.7979},          {3, 1.023, 0, 2.574, 1.954, 0, 2.568, 0.8862},
        {4, 0.729, 0, 2.282, 1.628, 0, 2.266, 0.9213},          {5, 0.577, 0, 2.114, 1.427, 0, 2.089, 0.9400},
        {6, 0.483, 0, 2.004, 1.287, 0.030, 1.970, 0.9515},      {7, 0.419, 0.076, 1.924, 1.182, 0.118, 1.882, 0.9594},
        {8, 0.373, 0.136, 1.864, 1.099, 0.185, 1.815, 0.9650},  {9, 0.337, 0.184, 1.816, 1.032, 0.239, 1.761, 0.9693},
        {10, 0.308, 0.223, 1.777, 0.975, 0.284, 1.716, 0.9727}, {11, 0.285, 0.256, 1.744, 0.927, 0.321, 1.679, 0.9754},
        {12, 0.266, 0.283, 1.717, 0.886, 0.354, 1.646, 0.9776}, {13, 0.249, 0.307, 1.693, 0.850, 0.382, 1.618, 0.9794},
        {14, 0.235, 0.328, 1.672, 0.817, 0.406, 1.594, 0.9810}, {15, 0.223, 0.347, 1.653, 0.789, 0.428, 1.572, 0.9823},
        {16, 0.212, 0.363, 1.637, 0.763, 0.448, 1.552, 0.9835}, {17, 0.203, 0.378, 1.622, 0.739, 0.466, 1.534, 0.9845},
        {18, 0.194, 0.391, 1.608, 0.718, 0.482, 1.518, 0.9854}, {19, 0.187, 0.403, 1.597, 0.698, 0.497, 1.503, 0.9862},
        {20, 0.180, 0.415, 1.585, 0.680, 0.510, 1.490, 0.9869}, {21, 0.173, 0.425, 1.575, 0.663, 0.523, 1.477, 0.9876},
        {22, 0.167, 0.434, 1.566, 0.647, 0.534, 1.466, 0.9882}, {23, 0.162, 0.443, 1.557, 0.633, 0.545, 1.455, 0.9887},
        {24, 0.157, 0.451, 1.548, 0.619, 0.555, 1.445, 0.9892}, {25, 0.153, 0.459, 1.541, 0.606, 0.565, 1.435, 0.9896},
    };
    for (const auto& row : table) {
        const auto k = ConstantsFor(static_cast<int>(row[0]));
        ASSERT_TRUE(k) << row[0];
        // Ours come from d2 and d3 as printed (three places), the printed factors from more digits;
        // the published tables differ among themselves by as much.
        const double printed = 0.002;
        EXPECT_NEAR(k->A2, row[1], printed) << "A2, n = " << row[0];
        EXPECT_NEAR(k->D3, row[2], printed) << "D3, n = " << row[0];
        EXPECT_NEAR(k->D4, row[3], printed) << "D4, n = " << row[0];
        EXPECT_NEAR(k->A3, row[4], printed) << "A3, n = " << row[0];
        EXPECT_NEAR(k->B3, row[5], printed) << "B3, n = " << row[0];
        EXPECT_NEAR(k->B4, row[6], printed) << "B4, n = " << row[0];
        EXPECT_NEAR(k->c4, row[7], 0.00006) << "c4, n = " << row[0];
    }
    EXPECT_FALSE(ConstantsFor(1));
    EXPECT_FALSE(ConstantsFor(26));
}

TEST(ControlLimits, FromHandComputedBaselinesForEachKindOfChart) {
    // I-MR: mean 11.6, moving ranges 2, 1, 2, 1.
    const std::vector<double> parts = {10, 12, 11, 13, 12};
    const auto imr = LimitsFromBaseline(parts, 1);
    ASSERT_TRUE(imr);
    EXPECT_EQ(imr->kind, ChartKind::IndividualsMovingRange);
    EXPECT_NEAR(imr->sigmaWithin, 1.5 / 1.128, 1e-9);
    EXPECT_NEAR(imr->location.centre, 11.6, 1e-9);
    EXPECT_NEAR(imr->location.upper, 11.6 + 3 * 1.5 / 1.128, 1e-9);
    EXPECT_NEAR(imr->location.lower, 11.6 - 3 * 1.5 / 1.128, 1e-9);
    EXPECT_NEAR(imr->spread.upper, (1 + 3 * 0.853 / 1.128) * 1.5, 1e-9);
    EXPECT_EQ(imr->spread.lower, 0);

    // X̄-R, n = 2: means 2, 2, 5; ranges 2, 0, 2; the trailing 7 is no subgroup.
    const std::vector<double> pairs = {1, 3, 2, 2, 4, 6, 7};
    const auto xr = LimitsFromBaseline(pairs, 2);
    ASSERT_TRUE(xr);
    EXPECT_EQ(xr->kind, ChartKind::MeanRange);
    EXPECT_NEAR(xr->location.centre, 3, 1e-9);
    EXPECT_NEAR(xr->location.upper - 3, 3 / (1.128 * std::sqrt(2.0)) * 4 / 3, 1e-9);
    EXPECT_NEAR(xr->sigmaWithin, 4.0 / 3 / 1.128, 1e-9);

    // X̄-S, n = 11: 0..10 and 1..11, each s = √11.
    std::vector<double> elevens;
    for (int start : {0, 1})
        for (int v = start; v < start + 11; ++v) elevens.push_back(v);
    const auto xs = LimitsFromBaseline(elevens, 11);
    ASSERT_TRUE(xs);
    EXPECT_EQ(xs->kind, ChartKind::MeanStdDev);
    EXPECT_NEAR(xs->location.centre, 5.5, 1e-9);
    EXPECT_NEAR(xs->spread.centre, std::sqrt(11.0), 1e-9);
    EXPECT_NEAR(xs->sigmaWithin, std::sqrt(11.0) / ConstantsFor(11)->c4, 1e-9);

    // Refused: too short a baseline, a subgroup past the table.
    const auto one = LimitsFromBaseline(std::vector<double>{1.0}, 1);
    ASSERT_FALSE(one);
    EXPECT_NE(one.Failure().reason.find("at least two"), std::string::npos) << one.Failure().reason;
    const auto wide = LimitsFromBaseline(elevens, 26);
    ASSERT_FALSE(wide);
    EXPECT_NE(wide.Failure().reason.find("1 to 25"), std::string::npos) << wide.Failure().reason;
}

TEST(RunRules, EachRuleBreaksAtItsPointAndItsNeighbourDoesNot) {
    using V = std::vector<double>;
    const auto repeat = [](const V& pattern, std::size_t count) {
        V out;
        while (out.size() < count) out.push_back(pattern[out.size() % pattern.size()]);
        return out;
    };
    struct Case {
        const char* what;
        RuleSet rules;
        V points;  // centre 0, σ 1
        std::vector<RuleViolation> expected;
    };
    const Case cases[] = {
        {"beyond 3σ", RuleSet::WesternElectric, {0, 0, 3.5}, {{1, 2}}},
        {"just inside 3σ", RuleSet::WesternElectric, {0, 0, 2.9}, {}},
        {"2 of 3 beyond 2σ", RuleSet::WesternElectric, {0, 2.5, 0.5, 2.5}, {{2, 3}}},
        {"2 beyond 2σ on opposite sides", RuleSet::WesternElectric, {0, 2.5, 0.5, -2.5}, {}},
        {"4 of 5 beyond 1σ", RuleSet::WesternElectric, {0, 1.5, 1.5, 0.5, 1.5, 1.5}, {{3, 5}}},
        {"3 of 5 beyond 1σ", RuleSet::WesternElectric, {0, 1.5, 0.9, 0.5, 1.5, 1.5}, {}},
        {"8 on one side", RuleSet::WesternElectric, V(8, 0.5), {{4, 7}}},
        {"7 on one side", RuleSet::WesternElectric, V(7, 0.5), {}},
        {"9 on one side", RuleSet::Nelson, V(9, 0.5), {{2, 8}}},
        {"8 on one side, Nelson", RuleSet::Nelson, V(8, 0.5), {}},
        {"6 rising", RuleSet::Nelson, {-0.5, -0.3, -0.1, 0.1, 0.3, 0.5}, {{3, 5}}},
        {"5 rising", RuleSet::Nelson, {-0.3, -0.1, 0.1, 0.3, 0.5}, {}},
        {"14 alternating", RuleSet::Nelson, repeat({0.5, -0.5}, 14), {{4, 13}}},
        {"13 alternating", RuleSet::Nelson, repeat({0.5, -0.5}, 13), {}},
        {"2 of 3 beyond 2σ, Nelson", RuleSet::Nelson, {0, -2.5, -0.5, -2.5}, {{5, 3}}},
        {"4 of 5 beyond 1σ, Nelson", RuleSet::Nelson, {0, -1.5, -1.5, -0.5, -1.5, -1.5}, {{6, 5}}},
        {"15 within 1σ", RuleSet::Nelson, repeat({0.2, 0.2, -0.2, -0.2}, 15), {{7, 14}}},
        {"14 within 1σ", RuleSet::Nelson, repeat({0.2, 0.2, -0.2, -0.2}, 14), {}},
        {"8 beyond 1σ on both sides", RuleSet::Nelson, repeat({1.5, 1.5, -1.5, -1.5}, 8), {{8, 7}}},
        {"7 beyond 1σ on both sides", RuleSet::Nelson, repeat({1.5, 1.5, -1.5, -1.5}, 7), {}},
    };
    for (const Case& c : cases) EXPECT_EQ(FindViolations(c.points, 0, 1, c.rules), c.expected) << c.what;
    EXPECT_TRUE(FindViolations(V(20, 5.0), 5, 0).empty()) << "no spread, no rule";
}

TEST(Capability, HandComputedIndicesAndTheOnesTheLimitsDoNotAllow) {
    // Mean 16, σ 2 within and overall, limits 8..20, nominal 14.
    const ProcessCapability c = CapabilityOf(16, 2, 2, {8.0, 20.0, 14.0});
    EXPECT_NEAR(*c.cp, 1.0, 1e-12);
    EXPECT_NEAR(*c.cpk, 4.0 / 6, 1e-12);
    EXPECT_NEAR(*c.pp, 1.0, 1e-12);
    EXPECT_NEAR(*c.ppk, 4.0 / 6, 1e-12);
    EXPECT_NEAR(*c.cpm, 12 / (6 * std::sqrt(8.0)), 1e-12);

    const ProcessCapability upperOnly = CapabilityOf(16, 2, 4, {std::nullopt, 20.0, std::nullopt});
    EXPECT_FALSE(upperOnly.cp);
    EXPECT_NEAR(*upperOnly.cpk, 4.0 / 6, 1e-12);
    EXPECT_NEAR(*upperOnly.ppk, 4.0 / 12, 1e-12);
    EXPECT_FALSE(upperOnly.cpm);

    const ProcessCapability outside = CapabilityOf(22, 1, 1, {8.0, 20.0, std::nullopt});
    EXPECT_LT(*outside.ppk, 0) << "a mean beyond a limit";

    const ProcessCapability still = CapabilityOf(16, 0, 0, {8.0, 20.0, 16.0});
    EXPECT_FALSE(still.cp);
    EXPECT_FALSE(still.cpk);
    EXPECT_FALSE(still.ppk);
    EXPECT_FALSE(still.cpm) << "no spread and on the nominal";
}

}  // namespace
}  // namespace vexla::quality

namespace vexla::quality {
namespace {

TEST(ControlLimits, MatchTheNistIndividualsChartExample) {
    // NIST/SEMATECH e-Handbook 6.3.2.2: ten batches' flow rates; published
    // x̄ = 50.81, MR̄ = 1.8778, UCL = 55.8041, LCL = 45.8159.
    const std::vector<double> flow = {49.6, 47.6, 49.9, 51.3, 47.8, 51.2, 52.6, 52.4, 53.6, 52.1};
    const auto limits = LimitsFromBaseline(flow, 1);
    ASSERT_TRUE(limits);
    EXPECT_NEAR(limits->location.centre, 50.81, 5e-5);
    EXPECT_NEAR(limits->spread.centre, 1.8778, 5e-5);
    EXPECT_NEAR(limits->location.upper, 55.8041, 5e-5);
    EXPECT_NEAR(limits->location.lower, 45.8159, 5e-5);
    EXPECT_TRUE(FindViolations(flow, limits->location.centre, limits->sigmaWithin).empty())
        << "the example's process is in control";
}

TEST(LiveChart, JudgesTheBaselineOnceItIsCompleteThenEachPartAsItComes) {
    ChartSettings settings;
    settings.baselineParts = 10;
    LiveChart chart(settings);
    const std::vector<double> steady = {10.0, 10.2, 9.9, 10.1, 9.8, 10.0, 10.2, 9.9, 10.1, 10.0};
    for (std::size_t i = 0; i + 1 < steady.size(); ++i) EXPECT_TRUE(chart.Add(steady[i]).empty());
    EXPECT_FALSE(chart.Limits()) << "no limits before the baseline is complete";
    EXPECT_TRUE(chart.Add(steady.back()).empty());
    ASSERT_TRUE(chart.Limits());
    EXPECT_TRUE(chart.InControl());
    // A jump far beyond 3σ: rule 1 at part 11 (index 10), and the moving range beyond its limit.
    const auto jump = chart.Add(20);
    EXPECT_EQ(jump, (std::vector<Violation>{{1, ChartSide::Location, 10, 10, 10}, {1, ChartSide::Spread, 10, 10, 10}}));
    EXPECT_FALSE(chart.InControl());
    EXPECT_EQ(ViolationName(jump[1], chart.Limits()->kind), "MR rule 1");

    // Subgroups of 5 from given limits: a point per five parts, none before.
    ChartSettings given;
    given.subgroup = 5;
    given.given = ControlLimits{ChartKind::MeanRange, 5, {0, -1, 1}, {1, 0, 2}, 0.4};
    LiveChart grouped(given);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(grouped.Add(3).empty());
    EXPECT_EQ(grouped.Add(3), (std::vector<Violation>{{1, ChartSide::Location, 0, 0, 4}}));
    EXPECT_EQ(grouped.Points().size(), 1U);
}

TEST(LiveChart, WithoutHistoryFindsTheSameViolationsInBoundedMemory) {
    for (int subgroup : {1, 4}) {
        ChartSettings full;
        full.subgroup = subgroup;
        full.rules = RuleSet::Nelson;
        ChartSettings lean = full;
        lean.keepHistory = false;
        LiveChart kept(full), trimmed(lean);
        // A wobble, then a slow drift after part 600.
        for (int i = 0; i < 2000; ++i) {
            const double v = std::sin(i * 0.7) + std::cos(i * 1.3) * 0.5 + (i > 600 ? (i - 600) * 0.002 : 0);
            EXPECT_EQ(kept.Add(v), trimmed.Add(v)) << "part " << i << ", subgroup " << subgroup;
        }
        EXPECT_EQ(kept.ViolationCount(), trimmed.ViolationCount());
        EXPECT_GT(trimmed.ViolationCount(), 0U) << "the drift is seen";
        EXPECT_LE(trimmed.Values().size(), static_cast<std::size_t>(subgroup));
        EXPECT_LE(trimmed.Points().size(), 1U);
        EXPECT_EQ(trimmed.PartCount(), 2000U);
    }
}

TEST(Analysis, CapabilityOfAStillGaugeOutsideItsLimitsAndOfAnUnstableProcess) {
    ChartSettings settings;
    settings.baselineParts = 5;
    // Readings 0.30 mm and a hair on a characteristic toleranced 0 ± 0.1: every part outside.
    const std::vector<double> still = {0.301, 0.299, 0.300, 0.302, 0.298, 0.300};
    const CharacteristicAnalysis a = Analyse(still, settings, {-0.1, 0.1, 0.0});
    ASSERT_TRUE(a.capability.ppk);
    EXPECT_LT(*a.capability.ppk, 0);
    EXPECT_TRUE(a.inControl);
    // Too few parts for limits: said, and no within-σ indices.
    const CharacteristicAnalysis few = Analyse(std::vector<double>{1, 2}, settings, {0.0, 3.0, std::nullopt});
    EXPECT_FALSE(few.limits);
    EXPECT_EQ(few.limitsMissing, "the baseline needs 5 parts, 2 came");
    EXPECT_FALSE(few.capability.cpk);
    EXPECT_TRUE(few.capability.ppk);
    EXPECT_FALSE(few.inControl);
}

TEST(ControlLimitsFile, RoundTripsAndRefusesAFaultyLineByItsNumber) {
    ControlLimitsTable table;
    table[2] = ControlLimits{
        ChartKind::IndividualsMovingRange, 1, {0.0121, -0.0043, 0.0285}, {0.0062, 0, 0.0202}, 0.00549645390070922};
    table[31] = ControlLimits{ChartKind::MeanStdDev, 12, {1.5, 1.4, 1.6}, {0.05, 0.02, 0.08}, 0.051};
    const auto back = ParseControlLimits(ControlLimitsText(table));
    ASSERT_TRUE(back) << back.Failure().Text();
    for (std::size_t c : {2u, 31u}) {
        ASSERT_TRUE((*back)[c]);
        EXPECT_EQ((*back)[c]->kind, table[c]->kind);
        EXPECT_EQ((*back)[c]->subgroup, table[c]->subgroup);
        EXPECT_NEAR((*back)[c]->sigmaWithin, table[c]->sigmaWithin, 1e-12);
        EXPECT_NEAR((*back)[c]->location.upper, table[c]->location.upper, 1e-12);
    }
    EXPECT_FALSE((*back)[0]);

    const std::string heading =
        "channel,chart,subgroup,centre,lower,upper,spread_centre,spread_lower,spread_upper,sigma_within\n";
    const struct {
        std::string text;
        std::string what;
    } faulty[] = {
        {"1,I-MR,1,0,-1,1,1,0,2,0.3\n", "line 1"},
        {heading + "1,I-MR,1,0,-1,1,1,0,2,0.3\n33,I-MR,1,0,-1,1,1,0,2,0.3\n", "line 3"},
        {heading + "# a note\n1,Xbar-R,1,0,-1,1,1,0,2,0.3\n", "line 3"},
        {heading + "1,I-MR,1,0,1,-1,1,0,2,0.3\n", "line 2"},
        {heading + "1,I-MR,1,0,-1,1,1,0,2,x\n", "line 2"},
        {heading + "1,I-MR,1,0,-1,1,1,0,2\n", "line 2"},
        {heading + "1,I-MR,1,0,-1,1,1,0,2,0.3\n1,I-MR,1,0,-1,1,1,0,2,0.3\n", "line 3"},
        {heading + "2,Xbar-S,26,0,-1,1,1,0,2,0.3\n", "line 2"},
    };
    for (const auto& f : faulty) {
        const auto parsed = ParseControlLimits(f.text);
        ASSERT_FALSE(parsed) << f.text;
        EXPECT_EQ(parsed.Failure().what, f.what) << f.text << parsed.Failure().reason;
    }
}

}  // namespace
}  // namespace vexla::quality
