// The control window's handlers: what each control changes, which ones
// reconnect, and that nothing saves while the settings fill the controls.

#include <gtest/gtest.h>

#include "protocol/data_format.h"
#include "protocol/command_frames.h"
#include "engine/tests/live_driver.h"

namespace vexla {
namespace {

using Bytes = std::vector<uint8_t>;

class ControlHandlers : public testing::LiveDriver {};

TEST_F(ControlHandlers, CommandListSendsItsCodesAndNeverFive) {
    struct Case {
        int item;
        uint8_t code;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 6}, {-1, 0}};
    for (const Case& c : cases) {
        Connect(kFormatBlock);
        d.Panel.ComboBoxCmdIndex = c.item;
        d.SpBtnSendCmdClick();
        const auto frame = LongBroadcastFrame(c.code);
        EXPECT_EQ(port.TakeWrites(), Bytes(frame.begin(), frame.end())) << "item " << c.item;
    }
    d.DisConnectComm();
    d.Panel.ComboBoxCmdIndex = 0;
    d.SpBtnSendCmdClick();
    EXPECT_TRUE(port.TakeWrites().empty()) << "nothing while the link is closed";
}

TEST_F(ControlHandlers, RangeLinesEncodeChannelAndDirection) {
    struct Case {
        RangeControls state;
        uint8_t encoded;
    };
    const Case cases[] = {
        {{true, 32, false}, 160}, {{true, 1, true}, 1}, {{true, 5, false}, 133}, {{false, 5, false}, 0},
    };
    for (const Case& c : cases) {
        d.CheckBoxMoveNegClick(c.state);
        EXPECT_EQ(d.Settings.InvertRange, c.encoded);
        d.CheckBoxNegDispClick(c.state);
        EXPECT_EQ(d.Settings.TimesTenRange, c.encoded);
    }
    // Changing the number or direction with the box off changes nothing.
    d.SpinEditChN1Change({false, 9, false});
    EXPECT_EQ(d.Settings.InvertRange, 0);
    d.SpinEditChN2Change({true, 9, false});
    EXPECT_EQ(d.Settings.TimesTenRange, 137);
}

TEST_F(ControlHandlers, PortAndSpeedChangesReconnect) {
    Connect(kFormatPolledGeneral);
    d.CBoxCommChange(-1);  // text typed, nothing selected
    EXPECT_EQ(d.Settings.PortNumber, 0);
    EXPECT_EQ(port.last.PortNumber, 1) << "port 0 takes the handler's default";
    EXPECT_TRUE(d.LinkOpen);

    d.CBoxCommChange(3);
    EXPECT_EQ(port.last.PortNumber, 4);
    d.CBoxLinkSpeedChange(4);
    EXPECT_EQ(port.last.BaudRate, 115200);
    const int opens = port.opens;
    d.CBoxLinkSpeedChange(-1);
    EXPECT_EQ(d.Settings.BaudRate, 115200) << "unchanged, but still reconnected";
    EXPECT_EQ(port.opens, opens + 1);

    d.DisConnectComm();
    d.CBoxLinkSpeedChange(0);
    EXPECT_TRUE(d.LinkOpen) << "a settings change always ends with a connect";
    EXPECT_EQ(port.last.BaudRate, 9600);
}

TEST_F(ControlHandlers, GuardedHandlersDoNothingWhileTheControlsAreFilled) {
    Connect(kFormatPolledGeneral);
    const int opens = port.opens;
    d.LoadingGuard = true;
    d.CBoxDataFormatChange(4);
    d.CBoxCommChange(5);
    d.CBoxLinkSpeedChange(0);
    d.SpinEditFillterChange(3);
    d.CBoxFloat3Click(true);
    d.CheckBoxMoveNegClick({true, 3, true});
    d.CheckBoxNegDispClick({true, 3, true});
    d.LoadingGuard = false;
    EXPECT_EQ(d.Settings.DataFormat, kFormatPolledGeneral);
    EXPECT_EQ(d.Settings.FilterDepth, 10);
    EXPECT_EQ(d.Settings.ThreeDecimals, 0);
    EXPECT_EQ(d.Settings.InvertRange, 0);
    EXPECT_EQ(port.opens, opens);
}

TEST_F(ControlHandlers, PlainSettingsAndButtons) {
    d.CBoxDataFormatChange(-1);
    EXPECT_EQ(d.Settings.DataFormat, 255);
    d.SpinEditFillterChange(300);
    EXPECT_EQ(d.Settings.FilterDepth, 44);
    d.CBoxFloat3Click(true);
    EXPECT_EQ(d.Settings.ThreeDecimals, 1);
    d.Channels.References.MarkAllCaptured();
    d.SpBtnZeroClick();  // works with the link closed
    EXPECT_EQ(d.Channels.References.ReferenceCaptured[17], 0);
    d.CommandGuard = 2;
    d.SPComSendDataEmpty();
    EXPECT_EQ(d.CommandGuard, 0);
}

TEST_F(ControlHandlers, SessionEndDisconnectsAndEndsTheHostsLoop) {
    Connect(kFormatPolledGeneral);
    EXPECT_TRUE(d.QueryEndSession());
    EXPECT_FALSE(d.LinkOpen);
    EXPECT_FALSE(port.isOpen);
    EXPECT_EQ(window.quits, 1);
    d.ShowCtrlForm();
    d.FormClose();
    EXPECT_FALSE(d.Panel.Visible);
    EXPECT_TRUE(d.Panel.Exists) << "closing only hides";
}

}  // namespace
}  // namespace vexla
