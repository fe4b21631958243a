// The channel grid as the driver fills it on each processing step, with the
// display settings of the control window.

#include <gtest/gtest.h>

#include "engine/tests/live_driver.h"
#include "protocol/data_format.h"

namespace vexla {
namespace {

class ValueDisplay : public testing::LiveDriver {};

TEST_F(ValueDisplay, ProcessingStepWritesEveryRow) {
    Connect(kFormatBlock);
    d.PopUpFormTimerTimer();
    for (unsigned r = 1; r <= 32; ++r) {
        EXPECT_EQ(panel.Model().ChannelGrid[r][1], " -------");
        EXPECT_EQ(panel.Model().ChannelGrid[r][2], " 0.0次/秒");
    }
}

TEST_F(ValueDisplay, ReadingsShowWithTheWindowsDisplaySettings) {
    Connect(kFormatPushedGeneral);
    d.SetFilter(1);
    Answer(2, 100, 617);  // display 1234 tenths of the last digit
    TickOnBusyLine();
    EXPECT_EQ(panel.Model().ChannelGrid[3][1], "    1.23 mm");
    d.CBoxFloat3Click(true);
    d.CheckBoxMoveNegClick({true, 3, true});  // channels 1..3 inverted
    Answer(2, 100, 617);
    TickOnBusyLine();
    EXPECT_EQ(panel.Model().ChannelGrid[3][1], "  -0.123 mm");
}

}  // namespace
}  // namespace vexla
