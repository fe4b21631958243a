#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "quality/millimetres.h"
#include "quality/running_stats.h"
#include "quality/tolerance_limits.h"

namespace vexla::quality {
namespace {

TEST(Millimetres, ParsesExactDecimalsAndRejectsTheRest) {
    const struct {
        const char* text;
        std::optional<Fixed> expected;
    } cases[] = {
        {"1.25", 12500}, {"-0.005", -50}, {"+3", 30000},   {" .5 ", 5000},
        {"12.", 120000}, {"-0", 0},       {"0.0001", 1},   {"0.00001", {}},
        {"1e3", {}},     {"", {}},        {"-", {}},       {".", {}},
        {"1.2.3", {}},   {"12abc", {}},   {"1000001", {}}, {"999999.9999", 9999999999},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseMillimetres(c.text), c.expected) << c.text;
}

TEST(Millimetres, TextRoundsHalfAwayFromZero) {
    const struct {
        Fixed value;
        int decimals;
        const char* text;
    } cases[] = {
        {12345, 2, "1.23"}, {12350, 2, "1.24"},    {-12350, 2, "-1.24"}, {-49, 2, "0.00"}, {-50, 2, "-0.01"},
        {5, 3, "0.001"},    {123400, 3, "12.340"}, {-7, 4, "-0.0007"},   {25000, 0, "3"},  {0, 3, "0.000"},
    };
    for (const auto& c : cases) EXPECT_EQ(MillimetreText(c.value, c.decimals), c.text) << c.value;
}

TEST(Limits, ReadsCsvAndPlainTextLines) {
    const Result<LimitsTable> parsed = ParseLimits(
        "\xEF\xBB\xBF"
        "channel,nominal,lower,upper,name\r\n"
        "# a comment\r\n"
        "\r\n"
        "1, 0.00, -0.05, +0.05, bore depth\r\n"
        "2;12.5;-0.02;0.03;\"flange, left\"\n"
        "32\t1\t0\t0.001\n"
        "7   -1   -0.1   0.1   step height  \n");
    ASSERT_TRUE(parsed.Ok()) << parsed.Failure().Text();
    const auto& one = parsed->For(1);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->LowerLimit(), -500);
    EXPECT_EQ(one->UpperLimit(), 500);
    EXPECT_EQ(one->name, "bore depth");
    EXPECT_EQ(parsed->For(2)->LowerLimit(), 124800);
    EXPECT_EQ(parsed->For(2)->name, "flange, left");
    EXPECT_EQ(parsed->For(32)->UpperLimit(), 10010);
    EXPECT_EQ(parsed->For(7)->name, "step height");
    EXPECT_FALSE(parsed->For(3));
    EXPECT_FALSE(parsed->For(0));
    EXPECT_FALSE(parsed->For(33));
}

TEST(Limits, AnyFaultRejectsTheWholeFileWithItsLine) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"1,0,-0.1\n", "line 1: expected channel, nominal, lower and upper tolerance"},
        {"1,0,-1,1\n33,0,-1,1\n", "line 2: channel \"33\" is not 1 to 32"},
        {"1,0,-1,1\n0,0,-1,1\n", "line 2: channel \"0\" is not 1 to 32"},
        {"1,zero,-1,1\n", "line 1: nominal \"zero\" is not a length in mm (at most 4 decimals)"},
        {"1,0,-0.00001,1\n", "line 1: lower tolerance \"-0.00001\" is not a length in mm (at most 4 decimals)"},
        {"1,0,0.1,-0.1\n", "line 1: the lower tolerance is above the upper one"},
        {"1,0,-1,1\n1,0,-2,2\n", "line 2: channel 1 has limits already"},
        {"channel,nominal\nch,0,0,0\n", "line 2: channel \"ch\" is not 1 to 32"},
    };
    for (const auto& c : cases) {
        const Result<LimitsTable> parsed = ParseLimits(c.text);
        ASSERT_FALSE(parsed.Ok()) << c.text;
        EXPECT_EQ(parsed.Failure().Text(), c.error) << c.text;
    }
    for (const char* path : {"/nonexistent/limits.csv", "/", "/dev/zero"}) {
        const Result<LimitsTable> loaded = LoadLimitsFile(path);
        ASSERT_FALSE(loaded.Ok()) << path;
        EXPECT_NE(loaded.Failure().Text().find(path), std::string::npos) << path;
    }
}

TEST(Limits, JudgesWithTheLimitsIncluded) {
    const ChannelLimits limits{10000, -500, 300, ""};  // 0.95 .. 1.03 mm
    EXPECT_EQ(limits.Judge(9499), Judgement::Low);
    EXPECT_EQ(limits.Judge(9500), Judgement::Ok);
    EXPECT_EQ(limits.Judge(10300), Judgement::Ok);
    EXPECT_EQ(limits.Judge(10301), Judgement::High);
    EXPECT_STREQ(JudgementText(Judgement::High), "HIGH");
}

// Hand-computed: 1.00, 1.02, 0.98, 1.04, 0.96 mm has mean 1.00, squared
// deviations 0 + 4 + 4 + 16 + 16 (e-4) = 40e-4 over n - 1 = 4 gives
// σ = 0.031623; with limits 0.90..1.10, Cp = 0.2 / 0.189737 = 1.054093 and
// Cpk = 0.1 / 0.094868 = 1.054093.
TEST(RunningStats, MatchesHandComputedValues) {
    RunningStats stats;
    for (const Fixed v : {10000, 10200, 9800, 10400, 9600}) stats.Add(v);
    EXPECT_EQ(stats.Count(), 5U);
    EXPECT_EQ(stats.Minimum(), 9600);
    EXPECT_EQ(stats.Maximum(), 10400);
    EXPECT_EQ(stats.Range(), 800);
    EXPECT_NEAR(stats.Mean(), 1.0, 1e-12);
    EXPECT_NEAR(stats.StdDev(), 0.0316227766, 1e-9);
    const auto centred = CapabilityOf(stats, ChannelLimits{10000, -1000, 1000, ""});
    ASSERT_TRUE(centred);
    EXPECT_NEAR(centred->cp, 1.0540925534, 1e-9);
    EXPECT_NEAR(centred->cpk, 1.0540925534, 1e-9);
    // Off-centre: 0.95..1.25 gives Cp = 0.3 / 0.189737 = 1.581139 and
    // Cpk = (1.00 - 0.95) / 0.094868 = 0.527046.
    const auto shifted = CapabilityOf(stats, ChannelLimits{10000, -500, 2500, ""});
    ASSERT_TRUE(shifted);
    EXPECT_NEAR(shifted->cp, 1.5811388301, 1e-9);
    EXPECT_NEAR(shifted->cpk, 0.5270462767, 1e-9);
}

TEST(RunningStats, EdgeCounts) {
    RunningStats stats;
    EXPECT_EQ(stats.StdDev(), 0);
    stats.Add(-123);
    EXPECT_EQ(stats.Range(), 0);
    EXPECT_EQ(stats.Minimum(), -123);
    EXPECT_EQ(stats.StdDev(), 0);
    EXPECT_FALSE(CapabilityOf(stats, ChannelLimits{0, -1, 1, ""}));
    stats.Add(-123);
    EXPECT_FALSE(CapabilityOf(stats, ChannelLimits{0, -1, 1, ""})) << "no spread, no capability";
    stats.Reset();
    EXPECT_EQ(stats.Count(), 0U);
}

// A million readings far from zero with a tiny spread: a sum-of-squares
// formula loses every digit here, Welford keeps them.
TEST(RunningStats, KeepsPrecisionFarFromZero) {
    RunningStats stats;
    for (int i = 0; i < 1000000; ++i) stats.Add(9999990000 + (i % 2 == 0 ? 1 : -1));
    EXPECT_NEAR(stats.Mean(), 999999.0, 1e-6);
    EXPECT_NEAR(stats.StdDev(), 0.0001, 1e-9);
}

TEST(ChannelSummary, CountsReadingsOutsideTheLimits) {
    ChannelSummary summary;
    const std::optional<ChannelLimits> limits = ChannelLimits{0, -100, 100, ""};
    std::vector<Judgement> judged;
    for (const Fixed v : {-101, -100, 0, 100, 101, 500}) judged.push_back(*summary.Add(v, limits));
    EXPECT_EQ(judged, (std::vector<Judgement>{Judgement::Low, Judgement::Ok, Judgement::Ok, Judgement::Ok,
                                              Judgement::High, Judgement::High}));
    EXPECT_EQ(summary.low, 1U);
    EXPECT_EQ(summary.high, 2U);
    EXPECT_EQ(summary.Outside(), 3U);
    EXPECT_FALSE(summary.Add(0, std::nullopt));
    EXPECT_EQ(summary.stats.Count(), 7U);
}

}  // namespace
}  // namespace vexla::quality
