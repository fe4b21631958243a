// The texts of the channel grid: values in millimetres, rates, and the hold
// before a silent channel turns to dashes.

#include <gtest/gtest.h>

#include <cstdio>

#include "protocol/data_format.h"
#include "engine/tests/live_driver.h"

namespace vexla {
namespace {

class ValueDisplay : public testing::LiveDriver {
protected:
    void SetUp() override { Connect(kFormatBlock); }
    // One processing step whose averaged value of channel 0 is `value`.
    void Show(int32_t value, bool updated = true) {
        auto& a = d.Channels.Averaging;
        a.Averaged.Updated[0] = updated ? -1 : 0;
        a.Averaged.Value[0] = value;
        d.ShowChannelRow(0);
    }
    std::string Cell() const { return d.Panel.ChannelGrid[1][1]; }
};

TEST_F(ValueDisplay, ValuesInMillimetres) {
    struct Case {
        int32_t value;
        uint8_t timesTen, invert, threeDecimals;
        const char* text;
    };
    const Case cases[] = {
        {12340, 0, 0, 0, "   12.34 mm"},  {-5, 0, 0, 0, "    0.00 mm"},   {-15, 0, 0, 0, "   -0.01 mm"},
        {12345, 1, 0, 0, "  123.40 mm"},  {12345, 0, 0, 1, "   1.234 mm"}, {12340, 0, 1, 0, "  -12.34 mm"},
        {INT32_MAX, 0x80, 0, 0, " 21474836.40 mm"},
    };
    for (const Case& c : cases) {
        d.Settings.TimesTenRange = c.timesTen;
        d.Settings.InvertRange = c.invert;
        d.Settings.ThreeDecimals = c.threeDecimals;
        Show(c.value);
        EXPECT_EQ(Cell(), c.text) << c.value;
        EXPECT_EQ(d.HoldCount[0], 40);
    }
}

TEST(FixedPointText, MatchesPrintfOfTheQuotient) {
    for (int decimals : {1, 2, 3}) {
        const double divisor = decimals == 1 ? 10.0 : decimals == 2 ? 100.0 : 1000.0;
        for (int64_t g : {int64_t{0}, int64_t{1}, int64_t{-1}, int64_t{9}, int64_t{-10}, int64_t{29}, int64_t{-999},
                          int64_t{1234}, int64_t{-123456}, int64_t{99999999}, int64_t{2147483647}, int64_t{-2147483648}}) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%7.*f", decimals, static_cast<double>(g) / divisor);
            EXPECT_EQ(FixedPointText(g, decimals, 7), expected) << g << " / " << decimals;
        }
    }
}

TEST_F(ValueDisplay, RatesInUpdatesPerSecond) {
    const std::pair<int32_t, const char*> cases[] = {{25, " 2.5次/秒"}, {200, "20.0次/秒"}, {0, " 0.0次/秒"}, {5, " 0.5次/秒"}};
    for (const auto& [rate, text] : cases) {
        d.Channels.Averaging.Rates[0] = rate;
        d.ShowChannelRow(0);
        EXPECT_EQ(d.Panel.ChannelGrid[1][2], text);
    }
}

TEST_F(ValueDisplay, SilentChannelKeepsItsValueForTheHoldThenShowsDashes) {
    Show(12340);
    d.Channels.Averaging.RecentCounts[0] = 3;  // still in the rate window
    Show(0, false);
    EXPECT_EQ(Cell(), "   12.34 mm");
    EXPECT_EQ(d.HoldCount[0], 40);
    d.Channels.Averaging.RecentCounts[0] = 0;
    for (int t = 0; t < 39; ++t) Show(0, false);
    EXPECT_EQ(Cell(), "   12.34 mm");
    Show(0, false);
    EXPECT_EQ(Cell(), " -------");

    // A channel that never sent shows dashes from the first step on.
    d.ShowChannelRow(5);
    EXPECT_EQ(d.Panel.ChannelGrid[6][1], " -------");
}

TEST_F(ValueDisplay, ProcessingStepWritesEveryRow) {
    d.PopUpFormTimerTimer();
    for (unsigned r = 1; r <= 32; ++r) {
        EXPECT_EQ(d.Panel.ChannelGrid[r][1], " -------");
        EXPECT_EQ(d.Panel.ChannelGrid[r][2], " 0.0次/秒");
    }
}

}  // namespace
}  // namespace vexla
