// The control window's handlers: what each control changes, which ones
// reconnect, and that nothing saves while the settings fill the controls.

#include <gtest/gtest.h>

#include "engine/tests/live_driver.h"
#include "protocol/command_frames.h"
#include "protocol/data_format.h"

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
        d.ComboBoxCmdChange(c.item);
        d.SpBtnSendCmdClick();
        const auto frame = LongBroadcastFrame(c.code);
        EXPECT_EQ(port.TakeWrites(), Bytes(frame.begin(), frame.end())) << "item " << c.item;
    }
    d.DisConnectComm();
    d.ComboBoxCmdChange(0);
    d.SpBtnSendCmdClick();
    EXPECT_TRUE(port.TakeWrites().empty()) << "nothing while the link is closed";
}

TEST_F(ControlHandlers, RangeLinesEncodeChannelAndDirection) {
    struct Case {
        RangeControls state;
        uint8_t encoded;
    };
    const Case cases[] = {
        {{true, 32, false}, 160},
        {{true, 1, true}, 1},
        {{true, 5, false}, 133},
        {{false, 5, false}, 0},
    };
    for (const Case& c : cases) {
        d.CheckBoxMoveNegClick(c.state);
        EXPECT_EQ(d.Settings().InvertRange, c.encoded);
        d.CheckBoxNegDispClick(c.state);
        EXPECT_EQ(d.Settings().TimesTenRange, c.encoded);
    }
    // Changing the number or direction with the box off changes nothing.
    d.SpinEditChN1Change({false, 9, false});
    EXPECT_EQ(d.Settings().InvertRange, 0);
    d.SpinEditChN2Change({true, 9, false});
    EXPECT_EQ(d.Settings().TimesTenRange, 137);
}

TEST_F(ControlHandlers, PortAndSpeedChangesReconnect) {
    Connect(kFormatPolledGeneral);
    d.CBoxCommChange(-1);  // text typed, nothing selected
    EXPECT_EQ(d.Settings().PortNumber, 0);
    EXPECT_EQ(port.last.PortNumber, 1) << "port 0 takes the handler's default";
    EXPECT_TRUE(d.Link().IsOpen());

    d.CBoxCommChange(3);
    EXPECT_EQ(port.last.PortNumber, 4);
    d.CBoxLinkSpeedChange(4);
    EXPECT_EQ(port.last.BaudRate, 115200);
    const int opens = port.opens;
    d.CBoxLinkSpeedChange(-1);
    EXPECT_EQ(d.Settings().BaudRate, 115200) << "unchanged, but still reconnected";
    EXPECT_EQ(port.opens, opens + 1);

    d.DisConnectComm();
    d.CBoxLinkSpeedChange(0);
    EXPECT_TRUE(d.Link().IsOpen()) << "a settings change always ends with a connect";
    EXPECT_EQ(port.last.BaudRate, 9600);
}

TEST_F(ControlHandlers, GuardedHandlersDoNothingWhileTheControlsAreFilled) {
    // A configuration file that cannot be written makes the save show a
    // message box, and the user works the controls while it is up.
    testing::MemoryFiles files;
    ConfigFile config(files, "cfg");
    Driver driver({&port, &notices, &window, &config, &panel});
    ASSERT_EQ(driver.ConnectComm(19200, 1), -1);
    ASSERT_EQ(driver.Settings().DataFormat, kFormatPolledGeneral);
    const int opens = port.opens;
    files.failWrites = true;
    notices.whileShown = [&] {
        driver.CBoxDataFormatChange(4);
        driver.CBoxCommChange(5);
        driver.CBoxLinkSpeedChange(0);
        driver.SpinEditFillterChange(3);
        driver.CBoxFloat3Click(true);
        driver.CheckBoxMoveNegClick({true, 3, true});
        driver.CheckBoxNegDispClick({true, 3, true});
    };
    driver.SpinEditFillterChange(7);
    notices.whileShown = nullptr;
    EXPECT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(driver.Settings().DataFormat, kFormatPolledGeneral);
    EXPECT_EQ(driver.Settings().FilterDepth, 7);
    EXPECT_EQ(driver.Settings().ThreeDecimals, 0);
    EXPECT_EQ(driver.Settings().InvertRange, 0);
    EXPECT_EQ(port.opens, opens);
}

TEST_F(ControlHandlers, PlainSettingsAndButtons) {
    d.CBoxDataFormatChange(-1);
    EXPECT_EQ(d.Settings().DataFormat, 255);
    d.SpinEditFillterChange(300);
    EXPECT_EQ(d.Settings().FilterDepth, 44);
    d.CBoxFloat3Click(true);
    EXPECT_EQ(d.Settings().ThreeDecimals, 1);
    Connect(kFormatPushedGeneral);
    d.DisConnectComm();
    EXPECT_EQ(d.Channels().Table().References.ReferenceCaptured[17], 1);
    d.SpBtnZeroClick();  // works with the link closed
    EXPECT_EQ(d.Channels().Table().References.ReferenceCaptured[17], 0);
    Connect(kFormatPushedGeneral);
    d.CtrlFirmWare(1);
    EXPECT_EQ(d.CommandGuard(), 2);
    d.SPComSendDataEmpty();
    EXPECT_EQ(d.CommandGuard(), 0);
}

TEST_F(ControlHandlers, SessionEndDisconnectsAndEndsTheHostsLoop) {
    Connect(kFormatPolledGeneral);
    EXPECT_TRUE(d.QueryEndSession());
    EXPECT_FALSE(d.Link().IsOpen());
    EXPECT_FALSE(port.isOpen);
    EXPECT_EQ(window.quits, 1);
    d.ShowCtrlForm();
    d.FormClose();
    EXPECT_FALSE(panel.Model().Visible);
    EXPECT_TRUE(panel.Model().Exists) << "closing only hides";
}

}  // namespace
}  // namespace vexla
