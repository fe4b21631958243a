// The settings controls and the settings they stand for, both ways.

#include <gtest/gtest.h>

#include "channels/channel_range.h"
#include "panel/settings_controls.h"

namespace vexla {
namespace {

uint8_t Encoded(const RangeControls& c) {
    return EncodeRange(c.Checked, c.Channel, c.Before);
}

TEST(SettingsControls, RangeLinesShowWhatTheyEncode) {
    for (uint8_t range : {0, 1, 5, 32, 129, 133, 160}) {
        ControlPanel panel;
        DriverSettings settings;
        settings.InvertRange = range;
        settings.TimesTenRange = range;
        ShowSettings(panel, settings);
        EXPECT_EQ(Encoded(panel.Invert), range);
        EXPECT_EQ(Encoded(panel.TimesTen), range);
    }
    EXPECT_EQ(Encoded({true, 32, false}), 160) << "channel 32 and after";
    EXPECT_EQ(Encoded({false, 32, false}), 0);
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
