// The poll schedule alone: poll order, probes, wireless groups, the pacing
// of queued commands and the channel zero of format 3.

#include <gtest/gtest.h>

#include <vector>

#include "engine/poll_schedule.h"
#include "protocol/command_frames.h"
#include "protocol/data_format.h"

namespace vexla {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes BytesOf(const std::optional<OutgoingFrame>& f) {
    if (!f) return {};
    const auto b = f->Bytes();
    return Bytes(b.begin(), b.end());
}

TEST(PollSchedule, AllGaugesAnsweringArePolledInOrderWithAProbeEveryThirtyThirdPoll) {
    PollSchedule s;
    s.ResetAtConnect();
    Bytes polls;
    for (int t = 0; t < 66; ++t) {
        for (unsigned ch = 0; ch < 32; ++ch) s.Refresh(ch);  // every gauge answered
        polls.push_back(s.NextPollAddress(false));
    }
    Bytes expected;
    for (uint8_t pass = 1; pass <= 2; ++pass) {
        for (uint8_t ch = 0; ch < 32; ++ch) expected.push_back(ch);
        expected.push_back(pass);  // the probe moves one address on per pass
    }
    EXPECT_EQ(polls, expected);
}

TEST(PollSchedule, SilentNetworkGetsThreeFullPassesThenProbesOnly) {
    PollSchedule s;
    s.ResetAtConnect();
    Bytes polls;
    for (int t = 0; t < 3 * 33 + 40; ++t) polls.push_back(s.NextPollAddress(false));
    Bytes expected;
    for (uint8_t pass = 1; pass <= 3; ++pass) {
        for (uint8_t ch = 0; ch < 32; ++ch) expected.push_back(ch);
        expected.push_back(pass);
    }
    for (unsigned probe = 4; expected.size() < polls.size(); ++probe) expected.push_back(probe & 31);
    EXPECT_EQ(polls, expected);
    for (unsigned ch = 0; ch < 32; ++ch) EXPECT_FALSE(s.IsLive(ch));
}

TEST(PollSchedule, WirelessPollsAlternateBetweenALiveGroupAndTheProbe) {
    PollSchedule s;
    std::vector<uint8_t> groups;
    for (int t = 0; t < 20; ++t) {
        s.Refresh(5);
        const Bytes w = BytesOf(s.NextWrite(kFormatWireless));
        ASSERT_EQ(w.size(), 4u);
        const auto expected = WirelessPollFrame(static_cast<uint8_t>(w[1] / 4));
        ASSERT_EQ(w, Bytes(expected.begin(), expected.end()));
        groups.push_back(w[1] / 4);
    }
    // Probes cycle through nine values 0..8; group 1 in between.
    const std::vector<uint8_t> expected = {1, 1, 1, 2, 1, 3, 1, 4, 1, 5, 1, 6, 1, 7, 1, 8, 1, 0, 1, 1};
    EXPECT_EQ(groups, expected);
}

TEST(PollSchedule, QueuedCommandsWaitForThePacingThenGoOnePerTick) {
    PollSchedule s;
    s.Refresh(0);
    s.Refresh(4);
    EXPECT_EQ(BytesOf(s.NextWrite(kFormatPolledGeneral)), (Bytes{0x80}));
    s.QueueForLiveChannels(CommandK(kHardwareZeroCode));
    for (unsigned ch = 0; ch < 32; ++ch) EXPECT_EQ(s.Pending(ch), (ch == 0 || ch == 4) ? 10 : 0) << ch;
    for (int t = 0; t < kPollPacingTicks; ++t) EXPECT_FALSE(s.NextWrite(kFormatPolledGeneral)) << "tick " << t;
    EXPECT_EQ(BytesOf(s.NextWrite(kFormatPolledGeneral)), (Bytes{0xF0, 0x80, 0x80, 0xA5}));
    EXPECT_EQ(BytesOf(s.NextWrite(kFormatPolledGeneral)), (Bytes{0xF0, 0x84, 0x84, 0xA5}));
    const Bytes resumed = BytesOf(s.NextWrite(kFormatPolledGeneral));
    ASSERT_EQ(resumed.size(), 1u);
    EXPECT_GE(resumed[0], 0x80);

    // Wireless: one command heard by every gauge clears the whole queue.
    s.Refresh(9);
    s.QueueForLiveChannels(CommandK(4));
    for (int t = 0; t < kPollPacingTicks; ++t) EXPECT_FALSE(s.NextWrite(kFormatWireless));
    const auto hold = WirelessCommandFrame(CommandK(4));
    EXPECT_EQ(BytesOf(s.NextWrite(kFormatWireless)), Bytes(hold.begin(), hold.end()));
    for (unsigned ch = 0; ch < 32; ++ch) EXPECT_EQ(s.Pending(ch), 0);
}

TEST(PollSchedule, ChannelZeroGoesOutEveryTenthStepOnlyForLiveChannels) {
    PollSchedule s;
    s.Refresh(6);
    s.Queue(2, CommandK(kHardwareZeroCode));  // dead: cleared on the way, never sent
    s.Queue(6, CommandK(kHardwareZeroCode));
    s.Queue(9, CommandK(kHardwareZeroCode));  // after the selected one: waits for the next step
    for (int t = 0; t < 9; ++t) EXPECT_FALSE(s.ChannelZeroStep());
    EXPECT_EQ(s.ChannelZeroStep(), std::optional<uint8_t>(6));
    EXPECT_EQ(s.Pending(2), 0);
    EXPECT_EQ(s.Pending(9), 10);
    for (int t = 0; t < 10; ++t) EXPECT_FALSE(s.ChannelZeroStep()) << "channel 9 is not alive";
    EXPECT_EQ(s.Pending(9), 0);
}

}  // namespace
}  // namespace vexla
