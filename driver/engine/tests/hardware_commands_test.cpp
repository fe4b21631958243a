// Commands to the gauges in each data format: what is written at once, what
// is queued per channel, and what is dropped.

#include <gtest/gtest.h>

#include "engine/tests/live_driver.h"
#include "protocol/command_frames.h"
#include "protocol/data_format.h"

namespace vexla {
namespace {

class HardwareCommands : public testing::LiveDriver {
  protected:
    void RunOutTheQuietPeriod() {
        while (d.QuietPeriod() > 0) TickOnBusyLine();
        port.TakeWrites();
    }
};

TEST_F(HardwareCommands, BroadcastFormatsWriteAtOnceOutsideTheQuietPeriod) {
    Connect(kFormatPushedGeneral);
    d.SetHardWareZero();
    EXPECT_EQ(port.TakeWrites(), (Bytes{0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x02, 0x02}));
    EXPECT_EQ(d.CommandGuard(), 2);

    Connect(kFormatBlock);
    d.CtrlFirmWare(4);
    const auto hold = LongBroadcastFrame(4);
    EXPECT_EQ(port.TakeWrites(), Bytes(hold.begin(), hold.end()));

    // A second command inside the quiet period is dropped.
    d.CtrlFirmWare(3);
    EXPECT_TRUE(port.TakeWrites().empty());
    RunOutTheQuietPeriod();
    d.CtrlFirmWare(3);
    EXPECT_EQ(port.TakeWrites().size(), 20u);
}

TEST_F(HardwareCommands, CodesOutsideTheTableStartTheQuietPeriodButSendNothing) {
    Connect(kFormatBlock);
    d.CtrlFirmWare(5);
    EXPECT_EQ(d.QuietPeriod(), 20);
    EXPECT_FALSE(panel.Model().SpBtnSendCmdEnabled);
    EXPECT_TRUE(port.TakeWrites().empty());
    RunOutTheQuietPeriod();
    d.CtrlFirmWare(7);
    EXPECT_TRUE(port.TakeWrites().empty());
}

TEST_F(HardwareCommands, PolledFormatsQueueForLiveChannelsOnly) {
    Connect(kFormatPolledGeneral);
    // Three silent passes use up the polls of the connect; then two gauges answer.
    for (int t = 0; t < 3 * 33; ++t) TickOnBusyLine();
    Answer(0);
    d.SPComReceiveData(Bytes{0});
    Answer(4);
    d.SPComReceiveData(Bytes{0});
    TickOnBusyLine();
    port.TakeWrites();
    d.CtrlFirmWare(2);
    for (unsigned ch = 0; ch < 32; ++ch) EXPECT_EQ(d.Polls().Pending(ch), (ch == 0 || ch == 4) ? 10 : 0) << ch;
    EXPECT_TRUE(port.TakeWrites().empty());
}

TEST_F(HardwareCommands, NothingLeavesWhileTheLinkIsClosed) {
    d.CBoxDataFormatChange(kFormatPushedGeneral);
    d.CtrlFirmWare(2);
    d.SetHardWareZero();
    EXPECT_EQ(d.QuietPeriod(), 0);
    EXPECT_TRUE(port.TakeWrites().empty());
}

TEST_F(HardwareCommands, ResetOnConnectTurnsTheFirstDataIntoAHardwareZero) {
    testing::MemoryFiles files;
    ConfigFile config(files, "cfg");
    DriverSettings settings = DefaultSettings();
    settings.DataFormat = kFormatPolledGeneral;
    settings.ResetOnConnect = 1;
    files.files[config.FilePath()] = WriteConfigText("", settings, ReferencePoints{});
    files.folders.insert(config.Folder());
    Driver driver({&port, &notices, &window, &config, &panel});
    ASSERT_EQ(driver.ConnectComm(19200, 1), -1);
    EXPECT_EQ(driver.Settings().ResetOnConnect, 1);

    const auto f = EncodeGeneralFrame({1, 100, 100, false, false});
    driver.SPComReceiveData(Bytes(f.begin(), f.end()));
    EXPECT_EQ(driver.Channels().Ring().ReceiveCount, 0) << "the bytes of that event are dropped";
    EXPECT_EQ(driver.Settings().ResetOnConnect, 0);
    EXPECT_EQ(driver.QuietPeriod(), 20) << "the hardware zero starts its own quiet period";
    for (unsigned ch = 0; ch < 32; ++ch) EXPECT_EQ(driver.Polls().Pending(ch), 10) << "every channel may answer";
    driver.SPComReceiveData(Bytes(f.begin(), f.end()));
    EXPECT_EQ(driver.Channels().Ring().ReceiveCount, 11);
}

TEST_F(HardwareCommands, PerChannelZeroNeedsAChannelAndAFormatThatCarriesIt) {
    struct Case {
        uint8_t format;
        uint8_t channel;
        uint8_t pending;
    };
    const Case cases[] = {
        {kFormatPolledGeneral, 7, 10}, {kFormatWireless, 7, 10}, {kFormatPushedGeneral, 7, 10},
        {kFormatText, 7, 0},           {kFormatBlock, 7, 0},     {kFormatPolledGeneral, 35, 0},
    };
    for (const Case& c : cases) {
        Connect(c.format);
        d.SetHardWareZeroCh(c.channel);
        const uint8_t got = c.channel < 32 ? d.Polls().Pending(c.channel) : 0;
        EXPECT_EQ(got, c.pending) << "format " << int(c.format) << " channel " << int(c.channel);
        EXPECT_EQ(d.QuietPeriod(), 0);
        for (unsigned ch = 0; ch < 32; ++ch)
            if (ch != c.channel) {
                EXPECT_EQ(d.Polls().Pending(ch), 0);
            }
    }

    // A polled channel whose gauge has stopped answering is not queued.
    Connect(kFormatPolledGeneral);
    for (int t = 0; t < 3 * 33; ++t) TickOnBusyLine();
    d.SetHardWareZeroCh(7);
    EXPECT_EQ(d.Polls().Pending(7), 0);
}

}  // namespace
}  // namespace vexla
