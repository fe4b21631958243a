// The texts of the channel grid: values in millimetres, rates, and the hold
// before a silent channel turns to dashes.

#include <gtest/gtest.h>

#include <cstdio>

#include "panel/channel_grid_texts.h"

namespace vexla {
namespace {

class ChannelRow : public ::testing::Test {
  protected:
    // One processing step whose averaged value of channel 0 is `value`.
    void Show(int32_t value, bool updated = true) {
        averaging.Averaged.Updated[0] = updated ? -1 : 0;
        averaging.Averaged.Value[0] = value;
        ShowChannelRow(row, hold, 0, averaging, settings);
    }
    AveragingRing averaging;
    DriverSettings settings;
    std::array<std::string, 3> row;
    uint8_t hold = 0;
};

TEST_F(ChannelRow, ValuesInMillimetres) {
    struct Case {
        int32_t value;
        uint8_t timesTen, invert, threeDecimals;
        const char* text;
    };
    const Case cases[] = {
        {12340, 0, 0, 0, "   12.34 mm"},
        {-5, 0, 0, 0, "    0.00 mm"},
        {-15, 0, 0, 0, "   -0.01 mm"},
        {12345, 1, 0, 0, "  123.40 mm"},
        {12345, 0, 0, 1, "   1.234 mm"},
        {12340, 0, 1, 0, "  -12.34 mm"},
        {INT32_MAX, 0x80, 0, 0, " 21474836.40 mm"},
    };
    for (const Case& c : cases) {
        settings.TimesTenRange = c.timesTen;
        settings.InvertRange = c.invert;
        settings.ThreeDecimals = c.threeDecimals;
        Show(c.value);
        EXPECT_EQ(row[1], c.text) << c.value;
        EXPECT_EQ(hold, 40);
    }
}

TEST(FixedPointText, MatchesPrintfOfTheQuotient) {
    for (int decimals : {1, 2, 3}) {
        const double divisor = decimals == 1 ? 10.0 : decimals == 2 ? 100.0 : 1000.0;
        for (int64_t g :
             {int64_t{0}, int64_t{1}, int64_t{-1}, int64_t{9}, int64_t{-10}, int64_t{29}, int64_t{-999}, int64_t{1234},
              int64_t{-123456}, int64_t{99999999}, int64_t{2147483647}, int64_t{-2147483648}}) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%7.*f", decimals, static_cast<double>(g) / divisor);
            EXPECT_EQ(FixedPointText(g, decimals, 7), expected) << g << " / " << decimals;
        }
    }
}

TEST_F(ChannelRow, RatesInUpdatesPerSecond) {
    const std::pair<int32_t, const char*> cases[] = {
        {25, " 2.5次/秒"}, {200, "20.0次/秒"}, {0, " 0.0次/秒"}, {5, " 0.5次/秒"}};
    for (const auto& [rate, text] : cases) {
        averaging.Rates[0] = rate;
        Show(0, false);
        EXPECT_EQ(row[2], text);
    }
}

TEST_F(ChannelRow, SilentChannelKeepsItsValueForTheHoldThenShowsDashes) {
    Show(12340);
    averaging.RecentCounts[0] = 3;  // still in the rate window
    Show(0, false);
    EXPECT_EQ(row[1], "   12.34 mm");
    EXPECT_EQ(hold, 40);
    averaging.RecentCounts[0] = 0;
    for (int t = 0; t < 39; ++t) Show(0, false);
    EXPECT_EQ(row[1], "   12.34 mm");
    Show(0, false);
    EXPECT_EQ(row[1], " -------");

    // A channel that never sent shows dashes from the first step on.
    std::array<std::string, 3> other;
    uint8_t otherHold = 0;
    ShowChannelRow(other, otherHold, 5, averaging, settings);
    EXPECT_EQ(other[1], " -------");
}

TEST(ChannelRowName, NumbersRowsAcrossSegments) {
    EXPECT_EQ(ChannelRowName(1, 0), "  1   [   1]");
    EXPECT_EQ(ChannelRowName(10, 0), " 10   [  10]");
    EXPECT_EQ(ChannelRowName(32, 2), " 32   [  96]");
    EXPECT_EQ(ChannelRowName(9, 99), "  9   [3177]");
}

}  // namespace
}  // namespace vexla
