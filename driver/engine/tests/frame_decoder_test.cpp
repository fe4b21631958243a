// The receive event and the decode pass: what the driver does with the
// frames the scanner accepts (displacements, flags, liveness), and when it
// does not decode at all.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/tests/live_driver.h"
#include "protocol/data_format.h"
#include "protocol/gauge_frames.h"
#include "protocol/tests/frame_streams.h"

namespace vexla {
namespace {

class Decoder : public testing::LiveDriver {
  protected:
    void Use(uint8_t format) { Connect(format); }
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
    int32_t Unread() const { return d.Channels().Ring().ReceiveCount; }
};

TEST_F(Decoder, PartialFrameStaysUntilItsLastByteArrives) {
    Use(kFormatPushedGeneral);
    const Bytes f = General(4);
    Feed(Bytes(f.begin(), f.end() - 1));
    EXPECT_EQ(Decode().Header, 0);
    EXPECT_EQ(Unread(), 10);
    Feed(Bytes{f.back()});
    const auto r = Decode();
    EXPECT_EQ(r.Header, -1);
    EXPECT_EQ(r.Updated[4], -1);
    EXPECT_EQ(d.Polls().Liveness(4), 10);
}

TEST_F(Decoder, AFrameRefreshesItsGaugesLivenessAndAStrayByteNobodys) {
    Use(kFormatPolledGeneral);
    Feed(Concat({{0x85}, General(3)}));
    const auto r = Decode();
    EXPECT_EQ(r.Updated[3], -1);
    EXPECT_EQ(Unread(), 0);
    EXPECT_EQ(d.Polls().Liveness(3), 10);
    EXPECT_EQ(d.Polls().Liveness(5), kAliveAtConnect);
}

TEST_F(Decoder, NothingIsDecodedWithoutANewReceiveEventOrWithTheLinkClosed) {
    Use(kFormatPushedGeneral);
    Feed(General(5));
    EXPECT_EQ(Decode().Updated[5], -1);
    EXPECT_EQ(Decode().Header, 0) << "no receive event since the last pass";

    d.DisConnectComm();
    Feed(General(6));
    EXPECT_EQ(Decode().Header, 0) << "the link is closed";
    EXPECT_EQ(Unread(), 11) << "the bytes wait";
}

TEST_F(Decoder, WirelessFrameForChannel40IsDropped) {
    Use(kFormatWireless);
    const auto f = EncodeWirelessFrame({40, 100, 100, false, false});
    ASSERT_EQ(f[0] & 0xBF, 0xA8);
    Feed(Bytes(f.begin(), f.end()));
    EXPECT_EQ(Decode().Header, 0);
    for (unsigned ch = 0; ch < 32; ++ch) EXPECT_EQ(d.Polls().Liveness(ch), kAliveAtConnect) << ch;
}

TEST_F(Decoder, FixedBlockLayoutMarksOnlyTheChannelsOfTheStatusByte) {
    Use(kFormatBlock);
    Feed(testing::FixedLayoutBlockFrame(0x05));
    const auto r = Decode();
    ASSERT_EQ(r.Header, -1);
    for (unsigned ch = 0; ch < 8; ++ch) {
        EXPECT_EQ(r.Updated[ch], (ch == 0 || ch == 2) ? -1 : 0) << ch;
        EXPECT_EQ(r.Value[ch], -1270 * static_cast<int32_t>(ch + 1)) << "entered even when not fresh";
    }
    EXPECT_EQ(Unread(), 0) << "a lone block frame is decoded and consumed";
}

TEST_F(Decoder, RecordBlockLayoutFirstRecordWinsAndHighChannelsAreIgnored) {
    Use(kFormatBlock);
    Feed(testing::RecordLayoutBlockFrameWithRepeats());
    const auto r = Decode();
    ASSERT_EQ(r.Header, -1);
    EXPECT_EQ(r.Value[5], -1270);
    EXPECT_EQ(r.Value[15], 1);
    EXPECT_EQ(std::count(r.Updated.begin(), r.Updated.end(), -1), 2);
}

TEST_F(Decoder, SeveralBlockFramesInOnePassTheNewestReadingOfAChannelStands) {
    Use(kFormatBlock);
    // Fixed layout: channel 0 fresh in the first frame only, channel 2 in
    // the second only; channel 1 in neither.
    Bytes two = testing::FixedLayoutBlockFrame(0x01);
    const Bytes second = testing::FixedLayoutBlockFrame(0x04);
    two.insert(two.end(), second.begin(), second.end());
    two.push_back(0x00);
    Feed(two);
    TChannelRecord r = Decode();
    ASSERT_EQ(r.Header, -1);
    EXPECT_EQ(r.Updated[0], -1);
    EXPECT_EQ(r.Updated[1], 0);
    EXPECT_EQ(r.Updated[2], -1);
    EXPECT_EQ(Unread(), 1);

    // Record layout: channel 5 in two frames of one pass.
    Bytes records = testing::RecordLayoutBlockFrameWithRepeats();
    BlockFields later;
    later.entries[0] = {5, 999, 0x000C00};
    for (unsigned k = 1; k < 7; ++k) later.entries[k] = {200, 0, 0};
    const auto laterBytes = EncodeBlockFrame(later);
    records.insert(records.end(), laterBytes.begin(), laterBytes.end());
    records.push_back(0x00);
    Feed(records);
    r = Decode();
    EXPECT_EQ(r.Value[5], -3810) << "the second frame's reading";
    EXPECT_EQ(r.Value[15], 1);
}

TEST_F(Decoder, ABurstLargerThanTheRingLosesNoFrame) {
    // Sixteen gauges at 115200 baud: a burst of block frames, each with the
    // reading of one channel, is more than the ring holds between two ticks.
    Use(kFormatBlock);
    Bytes burst;
    for (uint8_t ch = 0; ch < 16; ++ch) {
        BlockFields f;
        f.entries[0] = {ch, 100u + ch, 0x000400u * (ch + 1u)};
        for (unsigned k = 1; k < 7; ++k) f.entries[k] = {200, 0, 0};
        const auto bytes = EncodeBlockFrame(f);
        burst.insert(burst.end(), bytes.begin(), bytes.end());
    }
    burst.push_back(0x00);
    ASSERT_GT(burst.size(), static_cast<std::size_t>(ReceiveRing::kSize));
    Feed(Bytes(burst.begin(), burst.begin() + 300));
    Feed(Bytes(burst.begin() + 300, burst.end()));
    const TChannelRecord r = Decode();
    for (unsigned ch = 0; ch < 16; ++ch) {
        EXPECT_EQ(r.Updated[ch], -1) << ch;
        EXPECT_EQ(r.Value[ch], -1270 * static_cast<int32_t>(ch + 1)) << ch;
    }
    EXPECT_EQ(Unread(), 1);

    // Without a format to search by, the newest bytes stay as before.
    Use(9);
    Feed(burst);
    EXPECT_EQ(Unread(), ReceiveRing::kSize);
}

TEST_F(Decoder, AReceiveEventRestartsTheWatchdog) {
    Use(kFormatPushedGeneral);
    EXPECT_EQ(d.Link().Watchdog(), 22);
    Feed(Bytes{1});
    EXPECT_EQ(d.Link().Watchdog(), 12);
}

}  // namespace
}  // namespace vexla
