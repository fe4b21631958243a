// The settings controls and the settings they stand for, both ways.

#include <gtest/gtest.h>

#include "panel/settings_controls.h"

namespace vexla {
namespace {

TEST(SettingsControls, RangeLinesShowWhatTheyEncode) {
    for (uint8_t range : {0, 1, 5, 32, 129, 133, 160}) {
        ControlPanel panel;
        DriverSettings settings;
        settings.InvertRange = range;
        settings.TimesTenRange = range;
        ShowSettings(panel, settings);
        EXPECT_EQ(EncodeRange(panel.Invert), range);
        EXPECT_EQ(EncodeRange(panel.TimesTen), range);
    }
    EXPECT_EQ(EncodeRange({true, 32, false}), 160) << "channel 32 and after";
    EXPECT_EQ(EncodeRange({false, 32, false}), 0);
}

TEST(SettingsControls, SpeedsMapToTheirItemsAndOthersToTheLast) {
    const std::pair<int32_t, int> cases[] = {{9600, 0}, {19200, 1}, {38400, 2}, {57600, 3}, {115200, 4}, {300, 4}};
    for (const auto& [speed, item] : cases) {
        ControlPanel panel;
        DriverSettings settings;
        settings.BaudRate = speed;
        ShowSettings(panel, settings);
        EXPECT_EQ(panel.CBoxLinkSpeedIndex, item) << speed;
    }
    EXPECT_EQ(SpeedOfItem(3), 57600);
    EXPECT_FALSE(SpeedOfItem(-1)) << "typed text selects no item";
    EXPECT_FALSE(SpeedOfItem(5));
}

TEST(SettingsControls, PortZeroLeavesThePortListAlone) {
    ControlPanel panel;
    panel.CBoxCommIndex = 6;
    DriverSettings settings;
    settings.PortNumber = 0;
    ShowSettings(panel, settings);
    EXPECT_EQ(panel.CBoxCommIndex, 6);
    settings.PortNumber = 12;
    ShowSettings(panel, settings);
    EXPECT_EQ(panel.CBoxCommIndex, 11);
}

}  // namespace
}  // namespace vexla
