// The tiles as the operator reads them: colour, value and bar for a table of
// readings against limits 10.00 +0.05/-0.03 mm, a silent gauge and a chart
// out of control.

#include <gtest/gtest.h>

#include <vector>

#include "station/model/tile_state.h"

namespace vexla::station {
namespace {

constexpr quality::Fixed Mm(double mm) {
    return static_cast<quality::Fixed>(mm * quality::kFixedPerMm + (mm < 0 ? -0.5 : 0.5));
}

TEST(TileState, ColoursValuesAndTheBarForReadingsAgainstTheLimits) {
    quality::ChannelLimits limits;
    limits.nominal = Mm(10.00);
    limits.lower = Mm(-0.03);
    limits.upper = Mm(0.05);
    struct Case {
        std::optional<double> mm;
        bool ruleBroken;
        TileColour colour;
        const char* value;
        std::optional<double> marker;
        bool beyond;
    };
    const Case cases[] = {
        {10.00, false, TileColour::Green, "10.00", 0.375, false},  // the nominal: 3/8 along the bar
        {10.03, false, TileColour::Green, "10.03", 0.75, false},   // 60 % of the upper side
        {10.04, false, TileColour::Amber, "10.04", 0.875, false},  // 80 %: beyond the warning fraction
        {10.05, false, TileColour::Amber, "10.05", 1.0, false},    // the limit itself is inside
        {10.06, false, TileColour::Red, "10.06", 1.0, true},
        {9.98, false, TileColour::Green, "9.98", 0.125, false},  // 67 % of the lower side
        {9.97, false, TileColour::Amber, "9.97", 0.0, false},    // 100 % of the lower side, still inside
        {9.96, false, TileColour::Red, "9.96", 0.0, true},
        {10.00, true, TileColour::Amber, "10.00", 0.375, false},  // inside, but the chart broke a rule
        {10.06, true, TileColour::Red, "10.06", 1.0, true},       // outside wins
        {std::nullopt, false, TileColour::Grey, "", std::nullopt, false},
    };
    for (const Case& c : cases) {
        TileInput input;
        if (c.mm) input.displacement = Mm(*c.mm);
        input.limits = limits;
        input.ruleBroken = c.ruleBroken;
        const TileState tile = TileStateOf(input);
        const std::string what = c.mm ? std::to_string(*c.mm) : "silent";
        EXPECT_EQ(tile.colour, c.colour) << what;
        EXPECT_EQ(tile.value, c.value) << what;
        EXPECT_EQ(tile.silent, !c.mm) << what;
        ASSERT_EQ(tile.marker.has_value(), c.marker.has_value()) << what;
        if (c.marker) {
            EXPECT_NEAR(*tile.marker, *c.marker, 1e-9) << what;
        }
        EXPECT_EQ(tile.beyondBar, c.beyond) << what;
    }
}

TEST(TileState, WithoutLimitsOrWithOddOnesTheTileStillReads) {
    TileInput input;
    input.displacement = Mm(-1.234);
    input.decimals = 3;
    TileState tile = TileStateOf(input);
    EXPECT_EQ(tile.colour, TileColour::Green);
    EXPECT_EQ(tile.value, "-1.234");
    EXPECT_FALSE(tile.marker) << "no limits, no bar";

    // Limits all below the nominal: the warning zones are measured from the band's middle.
    quality::ChannelLimits below;
    below.nominal = Mm(0);
    below.lower = Mm(-0.20);
    below.upper = Mm(-0.10);
    input.limits = below;
    input.displacement = Mm(-0.15);
    EXPECT_EQ(TileStateOf(input).colour, TileColour::Green);
    input.displacement = Mm(-0.11);
    EXPECT_EQ(TileStateOf(input).colour, TileColour::Amber);
    EXPECT_NEAR(*TileStateOf(input).nominal, 1.0, 1e-9) << "the nominal held at the bar's end";

    // A warning fraction of 1 warns only at the limits themselves; 0 at any step off the nominal.
    input.limits = below;
    input.displacement = Mm(-0.11);
    input.warningFraction = 1.0;
    EXPECT_EQ(TileStateOf(input).colour, TileColour::Green);
    input.warningFraction = 0.0;
    input.displacement = Mm(-0.151);
    EXPECT_EQ(TileStateOf(input).colour, TileColour::Amber);
}

}  // namespace
}  // namespace vexla::station
