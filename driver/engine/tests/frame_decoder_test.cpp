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

TEST_F(Decoder, StrayByteIsConsumedAloneThenTheFrameDecodes) {
    Use(kFormatPolledGeneral);
    Feed(Concat({{0x85}, General(3)}));
    EXPECT_EQ(Decode().Header, 0);
    EXPECT_EQ(Unread(), 11);
    EXPECT_EQ(d.Polls().Liveness(3), kAliveAtConnect) << "a stray byte refreshes nobody";
    Feed(Bytes{0x00});
    const auto r = Decode();
    EXPECT_EQ(r.Updated[3], -1);
    EXPECT_EQ(d.Polls().Liveness(3), 10);
}

TEST_F(Decoder, NothingIsDecodedWithoutANewReceiveEventOrWithTheLinkClosed) {
    Use(kFormatPushedGeneral);
    Feed(Concat({General(5), General(6)}));
    EXPECT_EQ(Decode().Updated[5], -1);
    EXPECT_EQ(Unread(), 11) << "the second frame's window ends at the newest byte";
    EXPECT_EQ(Decode().Header, 0) << "no receive event since the last pass";
    EXPECT_EQ(Unread(), 11);

    d.DisConnectComm();
    Feed(Bytes{0x00});
    EXPECT_EQ(Decode().Header, 0) << "the link is closed";
    EXPECT_EQ(Unread(), 12);
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

TEST_F(Decoder, AReceiveEventRestartsTheWatchdog) {
    Use(kFormatPushedGeneral);
    EXPECT_EQ(d.Link().Watchdog(), 22);
    Feed(Bytes{1});
    EXPECT_EQ(d.Link().Watchdog(), 12);
}

}  // namespace
}  // namespace vexla
