#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "quality/distributions.h"
#include "quality/gauge_rr.h"
#include "quality/msa_type1.h"

namespace vexla::quality {
namespace {

// The AIAG MSA manual's (4th edition) worked example: 10 parts, appraisers
// A, B and C, 3 trials; a row per (appraiser, trial), a column per part. Its
// average-and-range figures are printed to four decimals.
constexpr double kAiag[3][3][10] = {
    {{0.29, -0.56, 1.34, 0.47, -0.80, 0.02, 0.59, -0.31, 2.26, -1.36},
     {0.41, -0.68, 1.17, 0.50, -0.92, -0.11, 0.75, -0.20, 1.99, -1.25},
     {0.64, -0.58, 1.27, 0.64, -0.84, -0.21, 0.66, -0.17, 2.01, -1.31}},
    {{0.08, -0.47, 1.19, 0.01, -0.56, -0.20, 0.47, -0.63, 1.80, -1.68},
     {0.25, -1.22, 0.94, 1.03, -1.20, 0.22, 0.55, 0.08, 2.12, -1.62},
     {0.07, -0.68, 1.34, 0.20, -1.28, 0.06, 0.83, -0.34, 2.19, -1.50}},
    {{0.04, -1.38, 0.88, 0.14, -1.46, -0.29, 0.02, -0.46, 1.77, -1.49},
     {-0.11, -1.13, 1.09, 0.20, -1.07, -0.67, 0.01, -0.56, 1.45, -1.77},
     {-0.15, -0.96, 0.67, 0.11, -1.45, -0.49, 0.21, -0.49, 1.87, -2.16}},
};

GaugeRrData Aiag() {
    GaugeRrData d(10, 3, 3);
    for (int o = 0; o < 3; ++o)
        for (int t = 0; t < 3; ++t)
            for (int p = 0; p < 10; ++p) d.At(o, t, p) = kAiag[o][t][p];
    return d;
}

// `value` printed to `decimals` decimals reads `published`.
void ExpectPrinted(double value, double published, int decimals, const char* what) {
    const double scale = std::pow(10.0, decimals);
    EXPECT_EQ(std::round(value * scale), std::round(published * scale)) << what << ": " << value;
}

TEST(GaugeRr, AverageAndRangeMethodGivesThePublishedFigures) {
    const auto result = AnalyseGaugeRr(Aiag(), std::nullopt);
    ASSERT_TRUE(result) << result.Failure().Text();
    const GrrAverageRange& ar = result->averageRange;
    const struct {
        const char* what;
        double value, published;
        int decimals;
    } figures[] = {
        {"R double bar", ar.rBarBar, 0.3417, 4},
        {"X diff", ar.xDiff, 0.4447, 4},
        {"Rp", ar.rP, 3.511, 3},
        {"K1", ar.k1, 0.5908, 4},
        {"K2", ar.k2, 0.5231, 4},
        {"K3", ar.k3, 0.3146, 4},
        {"EV", ar.figures.ev, 0.2019, 4},
        {"AV", ar.figures.av, 0.2297, 4},
        {"GRR", ar.figures.grr, 0.3058, 4},
        {"PV", ar.figures.pv, 1.1046, 4},
        {"TV", ar.figures.tv, 1.1461, 4},
        {"%GRR", ar.figures.grrPercent, 26.7, 1},
    };
    for (const auto& f : figures) ExpectPrinted(f.value, f.published, f.decimals, f.what);
    EXPECT_EQ(ar.figures.ndc, 5);
    EXPECT_EQ(result->anova.figures.ndc, 4);
    EXPECT_EQ(ar.figures.verdict, GrrVerdict::Conditional);
}

// The analysis of variance of the same data as published: its sums of
// squares to four decimals, and an interaction far from significant.
TEST(GaugeRr, AnovaGivesThePublishedSumsOfSquaresAndPoolsTheInteraction) {
    const auto result = AnalyseGaugeRr(Aiag(), 6.0);
    ASSERT_TRUE(result) << result.Failure().Text();
    const GrrAnova& a = result->anova;
    ExpectPrinted(a.part.ss, 88.3619, 4, "SS parts");
    ExpectPrinted(a.op.ss, 3.1673, 4, "SS appraisers");
    ExpectPrinted(a.interaction.ss, 0.3590, 4, "SS interaction");
    ExpectPrinted(a.repeatability.ss, 2.7589, 4, "SS equipment");
    ExpectPrinted(a.total.ss, 94.6471, 4, "SS total");
    EXPECT_NEAR(a.part.ss + a.op.ss + a.interaction.ss + a.repeatability.ss, a.total.ss, 1e-9);
    EXPECT_EQ(a.interaction.df, 18);
    EXPECT_EQ(a.repeatability.df, 60);
    ASSERT_TRUE(a.interaction.p);
    EXPECT_GT(*a.interaction.p, kInteractionPoolingP);
    EXPECT_TRUE(a.pooled);
    EXPECT_EQ(a.pooledRepeatability.df, 78);
    EXPECT_EQ(a.figures.interaction, 0);
    // Both methods tell the same story of this gauge.
    EXPECT_NEAR(a.figures.grrPercent, result->averageRange.figures.grrPercent, 2.0);
    ASSERT_TRUE(a.figures.grrTolerancePercent);
    EXPECT_NEAR(*a.figures.grrTolerancePercent, 100 * a.figures.grr, 1e-9);  // 6 GRR of a 6 mm tolerance
}

// Parts spread by 1 mm, repeatability σ 0.02 mm; operator C reads `offset` high.
GaugeRrData Simulated(double offset, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 0.02);
    GaugeRrData d(10, 3, 3);
    for (int o = 0; o < 3; ++o)
        for (int t = 0; t < 3; ++t)
            for (int p = 0; p < 10; ++p) d.At(o, t, p) = 0.1 * p + (o == 2 ? offset : 0) + noise(random);
    return d;
}

TEST(GaugeRr, AppraiserVariationFollowsAnOperatorsOffset) {
    double lastAnova = -1, lastRange = -1;
    for (const double offset : {0.0, 0.02, 0.05, 0.1, 0.2}) {
        const auto r = AnalyseGaugeRr(Simulated(offset, 7), std::nullopt);
        ASSERT_TRUE(r);
        const double anova = r->anova.figures.av, range = r->averageRange.figures.av;
        if (offset == 0) {
            EXPECT_LT(anova, 0.01) << "no operator effect";
            EXPECT_LT(range, 0.01) << "no operator effect";
        } else {
            EXPECT_GT(anova, lastAnova) << offset;
            EXPECT_GT(range, lastRange) << offset;
            // Two operators at 0 and one at the offset: σ of the three is offset/√3.
            EXPECT_NEAR(anova, offset / std::sqrt(3.0), 0.3 * offset + 0.01) << offset;
        }
        lastAnova = anova;
        lastRange = range;
        EXPECT_NEAR(r->anova.figures.ev, 0.02, 0.006) << offset;
    }
}

TEST(GaugeRr, AStrongInteractionIsKept) {
    GaugeRrData d = Simulated(0, 3);
    for (int t = 0; t < 3; ++t) d.At(1, t, 4) += 0.3;  // operator B misreads part 5 every time
    const auto r = AnalyseGaugeRr(d, std::nullopt);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->anova.pooled);
    EXPECT_GT(r->anova.figures.interaction, 0.02);
}

TEST(GaugeRr, ReadingsWithoutAnyVariationAreNotAcceptable) {
    GaugeRrData flat(3, 2, 2);
    for (int o = 0; o < 2; ++o)
        for (int t = 0; t < 2; ++t)
            for (int p = 0; p < 3; ++p) flat.At(o, t, p) = 1.0;
    const auto r = AnalyseGaugeRr(flat, 0.1);
    ASSERT_TRUE(r);
    for (const GrrFigures* f : {&r->anova.figures, &r->averageRange.figures}) {
        EXPECT_FALSE(f->ndc);
        EXPECT_EQ(f->verdict, GrrVerdict::NotAcceptable);
    }
}

TEST(GaugeRr, RefusesStudiesThatCannotBeAnalysed) {
    GaugeRrData missing = Aiag();
    missing.At(1, 2, 6) = std::nan("");
    const struct {
        GaugeRrData data;
        const char* message;
    } cases[] = {
        {GaugeRrData(0, 3, 3), "2 to 50 parts, not 0"},
        {GaugeRrData(10, 3, 1), "2 to 10 trials, not 1"},
        {GaugeRrData(10, 11, 2), "1 to 10 operators, not 11"},
        {missing, "operator 2, trial 3, part 7 has no reading"},
    };
    for (const auto& c : cases) {
        const auto r = AnalyseGaugeRr(c.data, std::nullopt);
        ASSERT_FALSE(r) << c.message;
        EXPECT_NE(r.Failure().reason.find(c.message), std::string::npos) << r.Failure().reason;
    }
}

TEST(Distributions, MatchPrintedTables) {
    const struct {
        const char* what;
        double value, table;
        int decimals;
    } cases[] = {
        {"t 0.975, 49 df", TQuantile(0.975, 49), 2.010, 3},
        {"t 0.975, 9 df", TQuantile(0.975, 9), 2.262, 3},
        {"t 0.995, 20 df", TQuantile(0.995, 20), 2.845, 3},
        {"P(F(2, 18) > 3.555)", FUpperTail(3.555, 2, 18), 0.05, 3},
        {"P(F(4, 18) > 4.579)", FUpperTail(4.579, 4, 18), 0.01, 3},
        {"P(|t(10)| > 2.228)", TTwoSided(2.228, 10), 0.05, 3},
        {"d2 of 2", NormalRangeMoments(2).d2, 1.128, 3},
        {"d2 of 10", NormalRangeMoments(10).d2, 3.078, 3},
        {"d2 of 25", NormalRangeMoments(25).d2, 3.931, 3},
        {"d2* of one range of 2", NormalRangeMoments(2).d2Single, 1.41421, 5},
    };
    for (const auto& c : cases) ExpectPrinted(c.value, c.table, c.decimals, c.what);
}

TEST(Type1, CapabilityBiasAndItsTest) {
    // 50 readings of a 10.000 mm master: 10.002 ± 0.001 alternating, s
    // slightly above 0.001; tolerance 0.1 mm.
    std::vector<double> readings;
    for (int i = 0; i < 50; ++i) readings.push_back(10.002 + (i % 2 ? 0.001 : -0.001));
    const auto r = AnalyseType1(readings, 10.0, 0.1);
    ASSERT_TRUE(r);
    const double s = std::sqrt(50 * 1e-6 / 49);
    EXPECT_NEAR(r->s, s, 1e-12);
    EXPECT_NEAR(r->bias, 0.002, 1e-12);
    EXPECT_NEAR(*r->cg, 0.02 / (6 * s), 1e-9);
    EXPECT_NEAR(*r->cgk, 0.008 / (3 * s), 1e-9);
    EXPECT_TRUE(r->biasSignificant);
    EXPECT_TRUE(r->capable);

    const auto still = AnalyseType1(std::vector<double>(5, 10.0), 10.0, 0.1);
    ASSERT_TRUE(still);
    EXPECT_FALSE(still->cg);
    EXPECT_FALSE(still->biasSignificant);
    EXPECT_FALSE(AnalyseType1({10.0}, 10.0, 0.1));
    EXPECT_FALSE(AnalyseType1(readings, 10.0, 0));
}

}  // namespace
}  // namespace vexla::quality
