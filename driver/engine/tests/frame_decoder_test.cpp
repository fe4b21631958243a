// The receive event and the decode pass: what the driver does with the
// frames the scanner accepts (displacements, flags, liveness), and when it
// does not decode at all.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/driver.h"
#include "protocol/data_format.h"
#include "protocol/gauge_frames.h"

namespace vexla {
namespace {

using Bytes = std::vector<uint8_t>;

class Decoder : public ::testing::Test {
protected:
    void Use(uint8_t format) {
        d.Settings.DataFormat = format;
        d.LinkOpen = true;
    }
    void Feed(const Bytes& bytes) { d.SPComReceiveData(bytes); }
    TChannelRecord Decode() { return d.DecodeFrames(); }
    static Bytes General(uint8_t ch, uint32_t p = 1000, uint32_t v = 500) {
        const auto f = EncodeGeneralFrame({ch, p, v, false, false});
        return Bytes(f.begin(), f.end());
    }
    static Bytes Concat(std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    }
    Driver d;
};

TEST_F(Decoder, PartialFrameStaysUntilItsLastByteArrives) {
    Use(kFormatPushedGeneral);
    const Bytes f = General(4);
    Feed(Bytes(f.begin(), f.end() - 1));
    EXPECT_EQ(Decode().Header, 0);
    EXPECT_EQ(d.Receive.ReceiveCount, 10);
    Feed(Bytes{f.back()});
    const auto r = Decode();
    EXPECT_EQ(r.Header, -1);
    EXPECT_EQ(r.Updated[4], -1);
    EXPECT_EQ(d.AliveCount[4], 10);
}

TEST_F(Decoder, StrayByteIsConsumedAloneThenTheFrameDecodes) {
    Use(kFormatPolledGeneral);
    Feed(Concat({{0x85}, General(3)}));
    EXPECT_EQ(Decode().Header, 0);
    EXPECT_EQ(d.Receive.ReceiveCount, 11);
    EXPECT_EQ(d.AliveCount[3], 0);
    Feed({0x00});
    const auto r = Decode();
    EXPECT_EQ(r.Updated[3], -1);
    EXPECT_EQ(d.AliveCount[3], 10);
}

TEST_F(Decoder, NothingIsDecodedWithoutANewReceiveEventOrWithTheLinkClosed) {
    Use(kFormatPushedGeneral);
    Feed(General(5));
    d.NewDataFlag = false;
    EXPECT_EQ(Decode().Header, 0);
    EXPECT_EQ(d.Receive.ReceiveCount, 11);

    d.NewDataFlag = true;
    d.LinkOpen = false;
    EXPECT_EQ(Decode().Header, 0);
    EXPECT_FALSE(d.ScanFlag);

    d.LinkOpen = true;
    EXPECT_EQ(Decode().Updated[5], -1);
    EXPECT_TRUE(d.ScanFlag);
}

TEST_F(Decoder, WirelessFrameForChannel40IsDropped) {
    Use(kFormatWireless);
    const auto f = EncodeWirelessFrame({40, 100, 100, false, false});
    ASSERT_EQ(f[0] & 0xBF, 0xA8);
    Feed(Bytes(f.begin(), f.end()));
    EXPECT_EQ(Decode().Header, 0);
    EXPECT_EQ(std::count(d.AliveCount.begin(), d.AliveCount.end(), 0), 32);
}

TEST_F(Decoder, FixedBlockLayoutMarksOnlyTheChannelsOfTheStatusByte) {
    Use(kFormatBlock);
    BlockFields f;
    f.layout = BlockLayout::Fixed;
    for (unsigned r = 0; r < 8; ++r) f.entries[r] = {0, 1000 + r, 0x000400 * (r + 1)};
    f.status = 0x05;
    const auto bytes = EncodeBlockFrame(f);
    Feed(Bytes(bytes.begin(), bytes.end()));
    const auto r = Decode();
    ASSERT_EQ(r.Header, -1);
    for (unsigned ch = 0; ch < 8; ++ch) {
        EXPECT_EQ(r.Updated[ch], (ch == 0 || ch == 2) ? -1 : 0) << ch;
        EXPECT_EQ(r.Value[ch], -1270 * static_cast<int32_t>(ch + 1)) << "entered even when not fresh";
    }
    EXPECT_EQ(d.Receive.ReceiveCount, 0) << "a lone block frame is decoded and consumed";
}

TEST_F(Decoder, RecordBlockLayoutFirstRecordWinsAndHighChannelsAreIgnored) {
    Use(kFormatBlock);
    BlockFields f;
    f.layout = BlockLayout::Record;
    f.entries[0] = {5, 111, 0x000400};
    f.entries[1] = {5, 222, 0x000800};
    f.entries[2] = {16, 333, 0x000400};
    f.entries[3] = {15, 444, 0xFFFFFF};
    for (unsigned r = 4; r < 7; ++r) f.entries[r] = {200, 0, 0};
    const auto bytes = EncodeBlockFrame(f);
    Feed(Bytes(bytes.begin(), bytes.end()));
    const auto r = Decode();
    ASSERT_EQ(r.Header, -1);
    EXPECT_EQ(r.Value[5], -1270);
    EXPECT_EQ(r.Value[15], 1);
    EXPECT_EQ(std::count(r.Updated.begin(), r.Updated.end(), -1), 2);
}

TEST_F(Decoder, ResetOnConnectTurnsTheFirstDataIntoAHardwareZero) {
    Use(kFormatPolledGeneral);
    d.Settings.ResetOnConnect = 1;
    d.QuietPeriod = 7;
    d.AliveCount[0] = d.AliveCount[4] = 3;
    Feed(General(1));
    EXPECT_EQ(d.Receive.ReceiveCount, 0) << "the bytes of that event are dropped";
    EXPECT_FALSE(d.NewDataFlag);
    EXPECT_EQ(d.Settings.ResetOnConnect, 0);
    EXPECT_EQ(d.QuietPeriod, 20) << "the hardware zero starts its own quiet period";
    EXPECT_EQ(d.PendingCommand[0], 10);
    EXPECT_EQ(d.PendingCommand[4], 10);
    EXPECT_EQ(d.PendingCommand[1], 0);
    Feed(General(1));
    EXPECT_EQ(d.Receive.ReceiveCount, 11);
}

TEST(ReceiveEvent, RestartsTheWatchdog) {
    Driver d;
    d.SPComReceiveData(Bytes{1});
    EXPECT_EQ(d.ReceiveWatchdog, 12);
}

}  // namespace
}  // namespace vexla
