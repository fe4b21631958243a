// The tick, sequence by sequence: poll order, probes, groups, pacing of
// queued commands, the command guard, supervision and the status counters.

#include <gtest/gtest.h>

#include <vector>

#include "protocol/data_format.h"
#include "protocol/command_frames.h"
#include "panel/driver_texts.h"
#include "protocol/gauge_frames.h"
#include "engine/tests/live_driver.h"

namespace vexla {
namespace {

using Bytes = std::vector<uint8_t>;

class PollCycle : public testing::LiveDriver {};

TEST_F(PollCycle, AllGaugesAnsweringArePolledInOrderWithAProbeEveryThirtyThirdPoll) {
    Connect(kFormatPolledGeneral);
    Bytes polls;
    for (int t = 0; t < 66; ++t) {
        d.AliveCount.fill(10);  // every gauge answered
        const Bytes w = Tick();
        ASSERT_EQ(w.size(), 1u) << "tick " << t;
        polls.push_back(w[0]);
    }
    Bytes expected;
    for (uint8_t pass = 1; pass <= 2; ++pass) {
        for (uint8_t ch = 0; ch < 32; ++ch) expected.push_back(0x80 + ch);
        expected.push_back(0x80 + pass);  // the probe moves one address on per pass
    }
    EXPECT_EQ(polls, expected);
}

TEST_F(PollCycle, SilentNetworkGetsThreeFullPassesThenProbesOnly) {
    Connect(kFormatPolledGeneral);
    Bytes polls;
    for (int t = 0; t < 3 * 33 + 40; ++t) polls.push_back(Tick().at(0));
    Bytes expected;
    for (uint8_t pass = 1; pass <= 3; ++pass) {
        for (uint8_t ch = 0; ch < 32; ++ch) expected.push_back(0x80 + ch);
        expected.push_back(0x80 + pass);
    }
    for (unsigned probe = 4; expected.size() < polls.size(); ++probe) expected.push_back(0x80 + (probe & 31));
    EXPECT_EQ(polls, expected);
}

TEST_F(PollCycle, WirelessPollsAlternateBetweenALiveGroupAndTheProbe) {
    Connect(kFormatWireless);
    d.AliveCount.fill(0);
    std::vector<uint8_t> groups;
    for (int t = 0; t < 20; ++t) {
        d.AliveCount[5] = 10;
        const Bytes w = Tick();
        ASSERT_EQ(w.size(), 4u);
        const auto expected = WirelessPollFrame(static_cast<uint8_t>(w[1] / 4));
        ASSERT_EQ(w, Bytes(expected.begin(), expected.end()));
        groups.push_back(w[1] / 4);
    }
    // Probes cycle through nine values 0..8; group 1 in between.
    const std::vector<uint8_t> expected = {1, 1, 1, 2, 1, 3, 1, 4, 1, 5, 1, 6, 1, 7, 1, 8, 1, 0, 1, 1};
    EXPECT_EQ(groups, expected);
}

TEST_F(PollCycle, HardwareZeroWaitsForThePacingThenGoesToEachLiveChannel) {
    Connect(kFormatPolledGeneral);
    for (int t = 0; t < 5; ++t) Tick();  // polling under way
    d.AliveCount.fill(0);
    d.AliveCount[0] = d.AliveCount[4] = 5;
    d.SetHardWareZero();
    EXPECT_EQ(d.QuietPeriod, 20);
    EXPECT_FALSE(d.Panel.SpBtnSendCmdEnabled);
    for (int t = 0; t < 10; ++t) EXPECT_TRUE(Tick().empty()) << "polling stops, tick " << t;
    EXPECT_EQ(Tick(), (Bytes{0xF0, 0x80, 0x80, 0xA5}));
    EXPECT_EQ(Tick(), (Bytes{0xF0, 0x84, 0x84, 0xA5}));
    const Bytes resumed = Tick();
    ASSERT_EQ(resumed.size(), 1u);
    EXPECT_GE(resumed[0], 0x80);
}

TEST_F(PollCycle, WirelessCommandGoesOutOnceForEveryGauge) {
    Connect(kFormatWireless);
    for (int t = 0; t < 3; ++t) Tick();  // polls under way set the pacing
    d.AliveCount.fill(0);
    d.AliveCount[9] = 5;
    d.CtrlFirmWare(4);
    for (int t = 0; t < 10; ++t) EXPECT_TRUE(Tick().empty());
    const auto hold = WirelessCommandFrame(CommandK(4));
    EXPECT_EQ(Tick(), Bytes(hold.begin(), hold.end()));
    for (uint8_t pending : d.PendingCommand) EXPECT_EQ(pending, 0);
}

TEST_F(PollCycle, ChannelZeroOfFormat3GoesOutOnTheTenthTickOnlyForLiveChannels) {
    Connect(kFormatPushedGeneral);
    d.AliveCount.fill(0);
    d.AliveCount[6] = 1;
    d.SetHardWareZeroCh(2);  // dead: cleared on the way, never sent
    d.SetHardWareZeroCh(6);
    d.SetHardWareZeroCh(9);  // after the selected one: waits for the next step
    Bytes sent;
    for (int t = 0; t < 10; ++t) {
        const Bytes w = Tick();
        sent.insert(sent.end(), w.begin(), w.end());
    }
    const auto zero6 = ChannelZeroFrame(6);
    EXPECT_EQ(sent, Bytes(zero6.begin(), zero6.end()));
    EXPECT_EQ(d.PendingCommand[2], 0);
    EXPECT_EQ(d.PendingCommand[9], 10);
    EXPECT_EQ(d.CommandGuard, 2);
    for (int t = 0; t < 10; ++t) EXPECT_TRUE(Tick().empty()) << "channel 9 is not alive";
    EXPECT_EQ(d.PendingCommand[9], 0);
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
    EXPECT_EQ(d.ReceiveWatchdog, 22);
    EXPECT_TRUE(d.LinkOpen);
    // With continuing silence it happens every 20 ticks.
    for (int t = 0; t < 20; ++t) d.PopUpFormTimerTimer();
    EXPECT_EQ(port.opens, opensBefore + 2);
}

TEST_F(PollCycle, APortThatCannotBeReopenedIsReportedAsLost) {
    Connect(kFormatPolledGeneral, 5);
    port.openSucceeds = false;
    d.ReceiveWatchdog = 3;
    d.PopUpFormTimerTimer();
    EXPECT_FALSE(d.LinkOpen);
    EXPECT_EQ(d.Panel.LabelSpeed, "端口Com5已经脱离");
    EXPECT_EQ(d.Panel.ActivePage, 1);
    EXPECT_TRUE(d.Panel.Visible);
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
    EXPECT_EQ(d.Panel.Caption, texts::kStatusCaptions[2]);
    EXPECT_EQ(d.Panel.StatusGrid[0][3], " 数据量 ");
    for (int t = 1; t <= 40; ++t) {
        if (t % 4 == 0) {
            const auto f = EncodeGeneralFrame({1, 10, 10, false, false});
            d.SPComReceiveData(Bytes(f.begin(), f.end()));
            d.SPComReceiveData(Bytes{0});
        }
        Tick();
    }
    d.TakeResult();
    EXPECT_EQ(d.Panel.Caption, texts::kStatusCaptions[1]);
    EXPECT_EQ(d.Panel.StatusGrid[1][1], "40");
    // A frame arrived before every fourth tick: ten ticks with data and a search.
    EXPECT_EQ(d.Panel.StatusGrid[1][2], "10");
    EXPECT_EQ(d.Panel.StatusGrid[1][3], "10");
    EXPECT_EQ(d.Panel.StatusGrid[1][0], "0");
    Tick();
    EXPECT_EQ(d.Panel.StatusGrid[1][0], "1");
}

TEST_F(PollCycle, StartupPhaseEndsOnTheFirstQuietTickAndPicksTheWindowsVisibility) {
    for (uint8_t show : {0, 1}) {
        Connect(kFormatBlock);
        d.Settings.ShowCtrlWindow = show;
        EXPECT_TRUE(d.StartupPhase);
        EXPECT_TRUE(d.Panel.PanelLogoVisible);
        EXPECT_FALSE(d.Panel.PageControlVisible);
        Tick();
        EXPECT_FALSE(d.StartupPhase);
        EXPECT_FALSE(d.Panel.PanelLogoVisible);
        EXPECT_TRUE(d.Panel.PageControlVisible);
        EXPECT_EQ(d.Panel.Visible, show == 1);
    }
}

TEST_F(PollCycle, ReentryGuardSkipsProcessingForAtMostTwoTicks) {
    Connect(kFormatBlock);
    Tick();
    d.TakeResult();
    d.TickBusy = true;  // as if a message box inside the step pumped the timer
    Tick();
    Tick();
    EXPECT_EQ(d.TakeResult().Header, 0) << "no processing while busy";
    Tick();
    EXPECT_FALSE(d.TickBusy) << "released after the third busy tick";
    Tick();
    EXPECT_EQ(d.TakeResult().Header, -1);
}

TEST_F(PollCycle, ButtonsFollowThePermissionsAndTheQuietPeriod) {
    Connect(kFormatBlock);
    d.EnableCtrls(1, 0, 0);
    Tick();
    EXPECT_TRUE(d.Panel.SpBtnSendCmdEnabled);
    EXPECT_FALSE(d.Panel.SpBtnZeroEnabled);
    EXPECT_FALSE(d.Panel.TabSheetSetupEnabled);
    EXPECT_FALSE(d.Panel.TabSheetValueEnabled);
    d.CtrlFirmWare(1);
    Tick();
    EXPECT_FALSE(d.Panel.SpBtnSendCmdEnabled);
    for (int t = 0; t < 19; ++t) Tick();
    EXPECT_TRUE(d.Panel.SpBtnSendCmdEnabled);
}

}  // namespace
}  // namespace vexla
