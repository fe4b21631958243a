// Commands to the gauges in each data format: what is written at once, what
// is queued per channel, and what is dropped.

#include <gtest/gtest.h>

#include "protocol/data_format.h"
#include "protocol/command_frames.h"
#include "engine/tests/live_driver.h"

namespace vexla {
namespace {

using Bytes = std::vector<uint8_t>;

class HardwareCommands : public testing::LiveDriver {};

TEST_F(HardwareCommands, BroadcastFormatsWriteAtOnceUnderTheGuard) {
    Connect(kFormatPushedGeneral);
    d.SetHardWareZero();
    EXPECT_EQ(port.TakeWrites(), (Bytes{0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x02, 0x02}));
    EXPECT_EQ(d.CommandGuard, 2);

    Connect(kFormatBlock);
    d.CtrlFirmWare(4);
    const auto hold = LongBroadcastFrame(4);
    EXPECT_EQ(port.TakeWrites(), Bytes(hold.begin(), hold.end()));

    // A second command inside the quiet period is dropped.
    d.CtrlFirmWare(3);
    EXPECT_TRUE(port.TakeWrites().empty());
    // After the quiet period the guard still holds until the queue reports empty.
    d.QuietPeriod = 0;
    d.CtrlFirmWare(3);
    EXPECT_TRUE(port.TakeWrites().empty());
    d.SPComSendDataEmpty();
    d.QuietPeriod = 0;
    d.CtrlFirmWare(3);
    EXPECT_EQ(port.TakeWrites().size(), 20u);
}

TEST_F(HardwareCommands, CodesOutsideTheTableStartTheQuietPeriodButSendNothing) {
    Connect(kFormatBlock);
    d.CtrlFirmWare(5);
    EXPECT_EQ(d.QuietPeriod, 20);
    EXPECT_FALSE(d.Panel.SpBtnSendCmdEnabled);
    EXPECT_TRUE(port.TakeWrites().empty());
    d.QuietPeriod = 0;
    d.CtrlFirmWare(7);
    EXPECT_TRUE(port.TakeWrites().empty());
}

TEST_F(HardwareCommands, PolledFormatsQueueForLiveChannelsOnly) {
    Connect(kFormatPolledGeneral);
    d.AliveCount.fill(0);
    d.AliveCount[0] = d.AliveCount[4] = 1;
    d.CtrlFirmWare(2);
    for (unsigned ch = 0; ch < 32; ++ch) EXPECT_EQ(d.PendingCommand[ch], (ch == 0 || ch == 4) ? 10 : 0) << ch;
    EXPECT_TRUE(port.TakeWrites().empty());
}

TEST_F(HardwareCommands, NothingLeavesWhileTheLinkIsClosed) {
    d.Settings.DataFormat = kFormatPushedGeneral;
    d.CtrlFirmWare(2);
    d.SetHardWareZero();
    EXPECT_EQ(d.QuietPeriod, 0);
    d.Settings.ResetOnConnect = 1;
    d.SetHardWareZero();
    EXPECT_EQ(d.Settings.ResetOnConnect, 1) << "cleared only when the zero is sent";
}

TEST_F(HardwareCommands, PerChannelZeroNeedsAChannelAndAFormatThatCarriesIt) {
    struct Case {
        uint8_t format;
        uint8_t channel;
        bool alive;
        uint8_t pending;
    };
    const Case cases[] = {
        {kFormatPolledGeneral, 7, true, 10}, {kFormatPolledGeneral, 7, false, 0}, {kFormatWireless, 7, false, 0},
        {kFormatPushedGeneral, 7, false, 10}, {kFormatText, 7, true, 0},        {kFormatBlock, 7, true, 0},
        {kFormatPolledGeneral, 35, true, 0},
    };
    for (const Case& c : cases) {
        Driver fresh;
        fresh.Settings.DataFormat = c.format;
        fresh.AliveCount.fill(c.alive ? 3 : 0);
        fresh.SetHardWareZeroCh(c.channel);
        const uint8_t got = c.channel < 32 ? fresh.PendingCommand[c.channel] : 0;
        EXPECT_EQ(got, c.pending) << "format " << int(c.format) << " channel " << int(c.channel);
        EXPECT_EQ(fresh.QuietPeriod, 0);
        for (unsigned ch = 0; ch < 32; ++ch) {
            if (ch != c.channel) {
                EXPECT_EQ(fresh.PendingCommand[ch], 0);
            }
        }
    }
}

}  // namespace
}  // namespace vexla
