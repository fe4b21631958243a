// The receive ring and the search for frames: split and back-to-back frames,
// stray bytes, every format's stream fed in random chunks, and garbage.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/driver.h"
#include "protocol/gauge_frames.h"
#include "protocol/tests/frame_streams.h"

namespace vexla {
namespace {

using testing::MakeFrame;
using testing::MakeStream;
using testing::SentReading;
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

TEST_F(Decoder, BackToBackGeneralFramesNeedAByteAfterTheLastWindow) {
    Use(kFormatPolledGeneral);
    Feed(Concat({General(1), General(2)}));
    auto r = Decode();
    EXPECT_EQ(r.Header, -1);
    EXPECT_EQ(r.Updated[1], -1);
    EXPECT_EQ(r.Updated[2], 0) << "a window that ends at the newest byte waits";
    EXPECT_EQ(d.Receive.ReceiveCount, 11);

    Feed({0x00});
    r = Decode();
    EXPECT_EQ(r.Updated[2], -1);
    EXPECT_EQ(d.Receive.ReceiveCount, 1);

    Driver fresh;
    fresh.Settings.DataFormat = kFormatPolledGeneral;
    fresh.LinkOpen = true;
    Bytes both = Concat({General(1), General(2)});
    both.push_back(0x00);
    fresh.SPComReceiveData(both);
    r = fresh.DecodeFrames();
    EXPECT_EQ(r.Updated[1], -1);
    EXPECT_EQ(r.Updated[2], -1);
    EXPECT_EQ(fresh.Receive.ReceiveCount, 1);
}

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

TEST_F(Decoder, UnknownFormatDecodesNothingAndKeepsTheBytes) {
    Use(9);
    Feed(General(5));
    EXPECT_EQ(Decode().Header, 0);
    EXPECT_EQ(d.Receive.ReceiveCount, 11);
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

TEST(ReceiveRing, KeepsTheNewest512BytesOfAnOverflow) {
    Driver d;
    Bytes many(600);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<uint8_t>(i * 7);
    d.SPComReceiveData(many);
    EXPECT_EQ(d.Receive.ReceiveCount, 512);
    for (int32_t i = 0; i < 512; ++i) ASSERT_EQ(d.Receive.At(i), many[88 + static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(d.ReceiveWatchdog, 12);

    // Indices left out of range by other code are pulled back before use.
    d.Receive.ReceiveCount = 9000;
    d.Receive.ReceiveHead = -4;
    d.SPComReceiveData(Bytes{1, 2, 3});
    EXPECT_EQ(d.Receive.ReceiveCount, 512);
    EXPECT_GE(d.Receive.ReceiveHead, 0);
    EXPECT_LT(d.Receive.ReceiveHead, 512);
}

// Collects decoded readings call by call and checks them against the sent
// frames in order. A call may decode several frames; no call may skip one.
class StreamChecker {
public:
    explicit StreamChecker(uint8_t format) : format_(format) {}
    void Expect(const testing::SentFrame& f) {
        for (const auto& r : f.readings) pending_.push_back(r);
        ++frames_;
    }
    void Take(const TChannelRecord& r) {
        if (r.Header == 0) return;
        std::vector<SentReading> got;
        for (uint8_t ch = 0; ch < 32; ++ch)
            if (r.Updated[ch] == -1) got.push_back({ch, 0, r.Value[ch]});
        // The next pending readings, as many as arrived, must be these.
        ASSERT_LE(got.size(), pending_.size()) << "format " << int(format_) << ": more readings than sent";
        std::vector<SentReading> next(pending_.begin(), pending_.begin() + static_cast<long>(got.size()));
        std::sort(next.begin(), next.end(), [](auto& a, auto& b) { return a.channel < b.channel; });
        for (std::size_t k = 0; k < got.size(); ++k) {
            ASSERT_EQ(got[k].channel, next[k].channel) << "format " << int(format_) << " after " << decoded_;
            ASSERT_EQ(got[k].value, next[k].value) << "format " << int(format_) << " channel " << int(got[k].channel);
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(got.size()));
        decoded_ += got.size();
    }
    std::size_t Undecoded() const { return pending_.size(); }

private:
    uint8_t format_;
    std::vector<SentReading> pending_;
    std::size_t frames_ = 0;
    std::size_t decoded_ = 0;
};

TEST(DecodeStream, EveryFrameOfABackToBackStreamArrivesWhateverTheChunking) {
    for (uint8_t format = 0; format <= 4; ++format) {
        for (uint32_t seed : {1u, 2u, 3u}) {
            std::mt19937 rng(seed * 100 + format);
            Driver d;
            d.Settings.DataFormat = format;
            d.LinkOpen = true;
            StreamChecker check(format);
            Bytes stream;
            const uint32_t frames = format == kFormatBlock ? 60 : 400;
            for (uint32_t n = 0; n < frames; ++n) {
                const auto f = MakeFrame(format, n, n == 0);
                check.Expect(f);
                stream.insert(stream.end(), f.bytes.begin(), f.bytes.end());
            }
            // One block frame per call: chunks no larger than a frame keep the
            // ring from overflowing. Other formats take larger bites.
            const std::size_t maxChunk = format == kFormatBlock ? 62 : 150;
            std::uniform_int_distribution<std::size_t> chunk(1, maxChunk);
            for (std::size_t at = 0; at < stream.size();) {
                const std::size_t n = std::min(chunk(rng), stream.size() - at);
                d.SPComReceiveData(std::span(stream).subspan(at, n));
                at += n;
                check.Take(d.DecodeFrames());
                ASSERT_FALSE(::testing::Test::HasFatalFailure());
            }
            // The last window is examined once a byte follows it.
            for (int flush = 0; flush < 3; ++flush) {
                d.SPComReceiveData(Bytes{0x00});
                check.Take(d.DecodeFrames());
            }
            EXPECT_EQ(check.Undecoded(), 0u) << "format " << int(format) << " seed " << seed;
        }
    }
}

TEST(DecodeStream, GarbageBetweenFramesNeverLosesAFrameOrBreaksTheRing) {
    for (uint8_t format = 0; format <= 4; ++format) {
        for (uint32_t seed : {11u, 12u, 13u, 14u}) {
            std::mt19937 rng(seed * 31 + format);
            Driver d;
            d.Settings.DataFormat = format;
            d.LinkOpen = true;
            StreamChecker check(format);
            Bytes stream;
            std::uniform_int_distribution<int> garbageLength(0, 12), byte(0, 255);
            for (uint32_t n = 0; n < 150; ++n) {
                for (int g = garbageLength(rng); g > 0; --g) stream.push_back(static_cast<uint8_t>(byte(rng)));
                // Text readings after garbage need their own opening CR.
                const auto f = MakeFrame(format, n, true);
                check.Expect(f);
                stream.insert(stream.end(), f.bytes.begin(), f.bytes.end());
            }
            std::uniform_int_distribution<std::size_t> chunk(1, 60);
            for (std::size_t at = 0; at < stream.size();) {
                const std::size_t n = std::min(chunk(rng), stream.size() - at);
                d.SPComReceiveData(std::span(stream).subspan(at, n));
                at += n;
                check.Take(d.DecodeFrames());
                ASSERT_FALSE(::testing::Test::HasFatalFailure()) << "seed " << seed;
                ASSERT_GE(d.Receive.ReceiveHead, 0);
                ASSERT_LT(d.Receive.ReceiveHead, 512);
                ASSERT_GE(d.Receive.ReceiveCount, 0);
                ASSERT_LE(d.Receive.ReceiveCount, 512);
            }
            for (int flush = 0; flush < 3; ++flush) {
                d.SPComReceiveData(Bytes{0x00});
                check.Take(d.DecodeFrames());
            }
            EXPECT_EQ(check.Undecoded(), 0u) << "format " << int(format) << " seed " << seed;
        }
    }
}

}  // namespace
}  // namespace vexla
