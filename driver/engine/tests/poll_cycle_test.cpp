// The tick through the driver: polls on the line, commands after the quiet
// period, the command guard, supervision, the status counters, the start-up
// phase and the re-entry guard.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/tests/live_driver.h"
#include "panel/driver_texts.h"
#include "protocol/command_frames.h"
#include "protocol/data_format.h"
#include "protocol/gauge_frames.h"

namespace vexla {
namespace {

class PollCycle : public testing::LiveDriver {};

TEST_F(PollCycle, AnsweringGaugesArePolledInOrderAndASilentPortIsReopenedBetweenPolls) {
    Connect(kFormatPolledGeneral);
    // Each gauge answers its poll: the line never falls silent.
    Bytes polls;
    for (int t = 0; t < 66; ++t) {
        const Bytes w = Tick();
        ASSERT_EQ(w.size(), 1u) << "tick " << t;
        polls.push_back(w[0]);
        if (w[0] >= 0x80 && w[0] < 0xA0) Answer(static_cast<uint8_t>(w[0] - 0x80));
    }
    Bytes expected;
    for (uint8_t pass = 1; pass <= 2; ++pass) {
        for (uint8_t ch = 0; ch < 32; ++ch) expected.push_back(0x80 + ch);
        expected.push_back(0x80 + pass);
    }
    EXPECT_EQ(polls, expected);
    EXPECT_EQ(port.opens, 1);

    // Nobody answers: every twentieth tick reopens the port instead of polling.
    polls.clear();
    int reopenTicks = 0;
    for (int t = 0; t < 60; ++t) {
        const Bytes w = Tick();
        if (w.empty())
            ++reopenTicks;
        else
            polls.push_back(w[0]);
    }
    EXPECT_EQ(reopenTicks, 3);
    EXPECT_EQ(port.opens, 4);
    EXPECT_EQ(polls.size(), 57u);
}

TEST_F(PollCycle, HardwareZeroWaitsForThePacingThenGoesToEachLiveChannel) {
    Connect(kFormatPolledGeneral);
    for (int t = 0; t < 5; ++t) Tick();  // polling under way
    d.SetHardWareZero();
    EXPECT_EQ(d.QuietPeriod(), 20);
    EXPECT_FALSE(panel.Model().SpBtnSendCmdEnabled);
    for (int t = 0; t < 10; ++t) EXPECT_TRUE(Tick().empty()) << "polling stops, tick " << t;
    // Every channel still has polls left from the connect.
    EXPECT_EQ(Tick(), (Bytes{0xF0, 0x80, 0x80, 0xA5}));
    EXPECT_EQ(Tick(), (Bytes{0xF0, 0x81, 0x81, 0xA5}));
    EXPECT_EQ(d.Polls().Pending(1), 0);
    EXPECT_EQ(d.Polls().Pending(2), 10);
}

TEST_F(PollCycle, WirelessCommandGoesOutOnceForEveryGauge) {
    Connect(kFormatWireless);
    for (int t = 0; t < 3; ++t) Tick();  // polls under way set the pacing
    d.CtrlFirmWare(4);
    for (int t = 0; t < 10; ++t) EXPECT_TRUE(Tick().empty());
    const auto hold = WirelessCommandFrame(CommandK(4));
    EXPECT_EQ(Tick(), Bytes(hold.begin(), hold.end()));
    for (unsigned ch = 0; ch < 32; ++ch) EXPECT_EQ(d.Polls().Pending(ch), 0);
}

TEST_F(PollCycle, ChannelZeroOfFormat3GoesOutOnTheTenthTickUnderTheGuard) {
    Connect(kFormatPushedGeneral);
    d.SetHardWareZeroCh(6);
    Bytes sent;
    for (int t = 0; t < 10; ++t) {
        const Bytes w = TickOnBusyLine();
        sent.insert(sent.end(), w.begin(), w.end());
    }
    const auto zero6 = ChannelZeroFrame(6);
    EXPECT_EQ(sent, Bytes(zero6.begin(), zero6.end()));
    EXPECT_EQ(d.CommandGuard(), 2);

    // A broadcast just before the next step holds that step's channel zero
    // back (and drops it) until the port reports its queue empty.
    for (int t = 0; t < 9; ++t) TickOnBusyLine();
    d.CtrlFirmWare(1);
    port.TakeWrites();
    d.SetHardWareZeroCh(7);
    EXPECT_TRUE(TickOnBusyLine().empty());
    EXPECT_EQ(d.Polls().Pending(7), 0);

    for (int t = 0; t < 9; ++t) TickOnBusyLine();
    d.SetHardWareZeroCh(8);
    d.SPComSendDataEmpty();
    const auto zero8 = ChannelZeroFrame(8);
    EXPECT_EQ(TickOnBusyLine(), Bytes(zero8.begin(), zero8.end()));
}

TEST_F(PollCycle, PushFormatsSendNothingOnTheirOwn) {
    for (uint8_t format : {kFormatBlock, kFormatText}) {
        Connect(format);
        for (int t = 0; t < 50; ++t) EXPECT_TRUE(Tick().empty());
    }
}

TEST_F(PollCycle, TenSilentTicksReopenThePort) {
    Connect(kFormatPushedGeneral);
    const int opensBefore = port.opens;
    for (int t = 0; t < 20; ++t) d.PopUpFormTimerTimer();
    EXPECT_EQ(port.opens, opensBefore + 1) << "22 at connect, reopened when it reaches 2";
    EXPECT_EQ(d.Link().Watchdog(), 22);
    EXPECT_TRUE(d.Link().IsOpen());
    // With continuing silence it happens every 20 ticks.
    for (int t = 0; t < 20; ++t) d.PopUpFormTimerTimer();
    EXPECT_EQ(port.opens, opensBefore + 2);
}

TEST_F(PollCycle, APortThatCannotBeReopenedIsReportedAsLost) {
    Connect(kFormatPolledGeneral, 5);
    for (int t = 0; t < 19; ++t) Tick();
    port.openSucceeds = false;
    Tick();
    EXPECT_FALSE(d.Link().IsOpen());
    EXPECT_EQ(panel.Model().LabelSpeed, "端口Com5已经脱离");
    EXPECT_EQ(panel.Model().ActivePage, 1);
    EXPECT_TRUE(panel.Model().Visible);
    EXPECT_EQ(notices.beeps, 1);
    EXPECT_TRUE(window.timer) << "the timer keeps running";
    // Nothing is retried; polls are refused by the closed port.
    const int opens = port.opens;
    for (int t = 0; t < 30; ++t) EXPECT_TRUE(Tick().empty());
    EXPECT_EQ(port.opens, opens);
    EXPECT_EQ(notices.beeps, 1);
}

TEST_F(PollCycle, StatusCountersAndTheRotatingCaption) {
    Connect(kFormatPushedGeneral);
    EXPECT_EQ(panel.Model().Caption, texts::kStatusCaptions[2]);
    EXPECT_EQ(panel.Model().StatusGrid[0][3], " 数据量 ");
    for (int t = 1; t <= 40; ++t) {
        if (t % 4 == 0) {
            Answer(1, 10, 10);
            d.SPComReceiveData(Bytes{0});
        }
        Tick();
    }
    d.TakeResult();
    EXPECT_EQ(panel.Model().Caption, texts::kStatusCaptions[1]);
    EXPECT_EQ(panel.Model().StatusGrid[1][1], "40");
    // A frame arrived before every fourth tick: ten ticks with data and a search.
    EXPECT_EQ(panel.Model().StatusGrid[1][2], "10");
    EXPECT_EQ(panel.Model().StatusGrid[1][3], "10");
    EXPECT_EQ(panel.Model().StatusGrid[1][0], "0");
    Tick();
    EXPECT_EQ(panel.Model().StatusGrid[1][0], "1");
}

TEST_F(PollCycle, StartupPhaseEndsOnTheFirstQuietTickAndPicksTheWindowsVisibility) {
    for (bool show : {false, true}) {
        if (show)
            d.ShowCtrlForm();  // the window of the first round exists
        else
            d.HideCtrlForm();
        Connect(kFormatBlock);
        EXPECT_TRUE(d.StartupPhase());
        EXPECT_TRUE(panel.Model().PanelLogoVisible);
        EXPECT_FALSE(panel.Model().PageControlVisible);
        Tick();
        EXPECT_FALSE(d.StartupPhase());
        EXPECT_FALSE(panel.Model().PanelLogoVisible);
        EXPECT_TRUE(panel.Model().PageControlVisible);
        EXPECT_EQ(panel.Model().Visible, show);
    }
}

TEST_F(PollCycle, ReentryGuardSkipsProcessingForAtMostTwoTicks) {
    // The configuration file cannot be written, so the processing step that
    // captures the first reference shows a message box, and the box pumps
    // the timer while it is up.
    testing::MemoryFiles files;
    files.failWrites = true;
    ConfigFile config(files, "cfg");
    Driver driver({&port, &notices, &window, &config, &panel});
    driver.CBoxDataFormatChange(kFormatPolledGeneral);
    ASSERT_EQ(driver.ConnectComm(19200, 1), -1);
    driver.PopUpFormTimerTimer();
    driver.TakeResult();
    driver.SetDataZeroCh(3);

    std::vector<int16_t> nested;
    bool pumped = false;
    notices.whileShown = [&] {
        if (std::exchange(pumped, true)) return;
        for (int t = 0; t < 4; ++t) {
            driver.PopUpFormTimerTimer();
            nested.push_back(driver.TakeResult().Header);
        }
    };
    const auto f = EncodeGeneralFrame({3, 100, 100, false, false});
    driver.SPComReceiveData(Bytes(f.begin(), f.end()));
    const std::size_t messages = notices.messages.size();
    driver.PopUpFormTimerTimer();
    ASSERT_EQ(notices.messages.size(), messages + 1) << "the capture was saved and failed";
    EXPECT_EQ(nested, (std::vector<int16_t>{0, 0, 0, -1})) << "no processing while busy, released after three ticks";
}

TEST_F(PollCycle, ButtonsFollowThePermissionsAndTheQuietPeriod) {
    Connect(kFormatBlock);
    d.EnableCtrls(1, 0, 0);
    Tick();
    EXPECT_TRUE(panel.Model().SpBtnSendCmdEnabled);
    EXPECT_FALSE(panel.Model().SpBtnZeroEnabled);
    EXPECT_FALSE(panel.Model().TabSheetSetupEnabled);
    EXPECT_FALSE(panel.Model().TabSheetValueEnabled);
    d.CtrlFirmWare(1);
    TickOnBusyLine();
    EXPECT_FALSE(panel.Model().SpBtnSendCmdEnabled);
    for (int t = 0; t < 19; ++t) TickOnBusyLine();
    EXPECT_TRUE(panel.Model().SpBtnSendCmdEnabled);

    d.EnableCtrls(0, 2, 0);
    Tick();
    EXPECT_FALSE(panel.Model().SpBtnSendCmdEnabled);
    EXPECT_TRUE(panel.Model().SpBtnZeroEnabled);
}

}  // namespace
}  // namespace vexla
