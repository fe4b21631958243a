// The search for frames in the receive ring: split and back-to-back frames,
// stray bytes, the block layouts, every format's stream fed in random chunks,
// and garbage between frames.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "protocol/data_format.h"
#include "protocol/frame_scanner.h"
#include "protocol/gauge_frames.h"
#include "protocol/tests/frame_streams.h"

namespace vexla {
namespace {

using testing::MakeFrame;
using testing::SentReading;
using Bytes = std::vector<uint8_t>;

Bytes General(uint8_t ch, uint32_t p = 1000, uint32_t v = 500) {
    const auto f = EncodeGeneralFrame({ch, p, v, false, false});
    return Bytes(f.begin(), f.end());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::vector<uint8_t> Channels(const ScanResult& s) {
    std::vector<uint8_t> channels;
    for (std::size_t r = 0; r < s.count; ++r) channels.push_back(s.readings[r].channel);
    return channels;
}

// A ring with the bytes in it, scanned and then consumed as the driver does.
class Scanner : public ::testing::Test {
  protected:
    ScanResult Scan(uint8_t format) {
        const ScanResult s = ScanFrames(ring, format);
        ring.Consume(s.consumed);
        return s;
    }
    ReceiveRing ring;
};

TEST_F(Scanner, FramesAreTakenAsSoonAsTheirLastByteIsIn) {
    // Two general frames back to back: the second ends at the newest byte.
    ring.Append(Concat({General(1), General(2)}));
    ScanResult s = Scan(kFormatPolledGeneral);
    EXPECT_EQ(Channels(s), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(ring.ReceiveCount, 0);

    // A text reading keeps its closing carriage return for the next one.
    const auto text = EncodeTextFrame({7, 100, 100, false});
    ring.Append(Bytes(text.begin(), text.end()));
    s = Scan(kFormatText);
    EXPECT_EQ(Channels(s), (std::vector<uint8_t>{7}));
    EXPECT_EQ(ring.ReceiveCount, 1);
    const auto next = EncodeTextFrame({8, 100, 100, false});
    ring.Append(Bytes(next.begin() + 1, next.end()));
    EXPECT_EQ(Channels(Scan(kFormatText)), (std::vector<uint8_t>{8}));
}

TEST_F(Scanner, PartialFrameStaysUntilItsLastByteArrives) {
    const Bytes f = General(4, 1234, 567);
    ring.Append(Bytes(f.begin(), f.end() - 1));
    ScanResult s = Scan(kFormatPushedGeneral);
    EXPECT_FALSE(s.searched);
    EXPECT_EQ(ring.ReceiveCount, 10);
    ring.Append(Bytes{f.back()});
    s = Scan(kFormatPushedGeneral);
    ASSERT_EQ(s.count, 1u);
    EXPECT_EQ(s.readings[0].channel, 4);
    EXPECT_EQ(s.readings[0].position, 2468);
    EXPECT_EQ(s.readings[0].value, 1134);
    EXPECT_TRUE(s.readings[0].refreshesLiveness);
}

TEST_F(Scanner, AStrayByteIsPassedOverOnTheWayToTheFrame) {
    ring.Append(Concat({{0x85}, General(3)}));
    const ScanResult s = Scan(kFormatPolledGeneral);
    EXPECT_EQ(Channels(s), (std::vector<uint8_t>{3}));
    EXPECT_EQ(s.consumed, 12);
}

TEST_F(Scanner, UnknownFormatsSearchNothing) {
    ring.Append(General(5));
    for (uint8_t format : {5, 9, 255}) {
        const ScanResult s = ScanFrames(ring, format);
        EXPECT_FALSE(s.searched) << int(format);
        EXPECT_EQ(s.consumed, 0);
    }
}

TEST_F(Scanner, LivenessComesFromPolledAndPushedFramesOnly) {
    const auto wireless = EncodeWirelessFrame({7, 100, 100, false, false});
    ring.Append(Bytes(wireless.begin(), wireless.end()));
    ScanResult s = Scan(kFormatWireless);
    ASSERT_EQ(s.count, 1u);
    EXPECT_TRUE(s.readings[0].refreshesLiveness);

    const auto text = EncodeTextFrame({7, 100, 100, false});
    ring.Append(Concat({Bytes(text.begin(), text.end()), {0x00}}));
    s = Scan(kFormatText);
    ASSERT_EQ(s.count, 1u);
    EXPECT_FALSE(s.readings[0].refreshesLiveness);

    const auto far = EncodeWirelessFrame({40, 100, 100, false, false});
    ring.Append(Bytes(far.begin(), far.end()));
    EXPECT_FALSE(Scan(kFormatWireless).accepted) << "channel 40 is no channel of ours";
}

TEST_F(Scanner, FixedBlockLayoutNamesTheFreshChannelsOfTheStatusByte) {
    ring.Append(testing::FixedLayoutBlockFrame(0x05));
    const ScanResult s = Scan(kFormatBlock);
    ASSERT_EQ(s.count, 8u) << "stale readings are carried too";
    for (unsigned ch = 0; ch < 8; ++ch) {
        EXPECT_EQ(s.readings[ch].channel, ch);
        EXPECT_EQ(s.readings[ch].fresh, ch == 0 || ch == 2) << ch;
        EXPECT_EQ(s.readings[ch].value, -1270 * static_cast<int32_t>(ch + 1));
        EXPECT_FALSE(s.readings[ch].refreshesLiveness);
    }
    EXPECT_EQ(ring.ReceiveCount, 0) << "a lone block frame is decoded and consumed";
}

TEST_F(Scanner, RecordBlockLayoutFirstRecordWinsAndHighChannelsAreIgnored) {
    ring.Append(testing::RecordLayoutBlockFrameWithRepeats());
    const ScanResult s = Scan(kFormatBlock);
    ASSERT_EQ(Channels(s), (std::vector<uint8_t>{5, 15}));
    EXPECT_EQ(s.readings[0].value, -1270);
    EXPECT_EQ(s.readings[0].position, 111);
    EXPECT_EQ(s.readings[1].value, 1);
    EXPECT_TRUE(s.readings[0].fresh && s.readings[1].fresh);
}

TEST_F(Scanner, EveryBlockFrameInTheRingIsTakenInOneSearch) {
    // A network of 16 gauges in the record layout needs three frames a
    // round; at high line speeds several arrive between two searches.
    Bytes stream;
    std::vector<SentReading> sent;
    for (uint32_t n = 0; n < 8; ++n) {
        const auto f = MakeFrame(kFormatBlock, n);
        stream.insert(stream.end(), f.bytes.begin(), f.bytes.end());
        sent.insert(sent.end(), f.readings.begin(), f.readings.end());
    }
    ASSERT_EQ(stream.size(), 496u);
    ring.Append(stream);
    ring.Append(Bytes{0x00});
    const ScanResult s = Scan(kFormatBlock);
    ASSERT_EQ(s.count, sent.size());
    for (std::size_t k = 0; k < sent.size(); ++k) {
        EXPECT_EQ(s.readings[k].channel, sent[k].channel) << k;
        EXPECT_EQ(s.readings[k].value, sent[k].value) << k;
    }
    EXPECT_EQ(ring.ReceiveCount, 1);

    // A full ring of fixed-layout frames fills the result exactly.
    for (int n = 0; n < 8; ++n) ring.Append(testing::FixedLayoutBlockFrame(static_cast<uint8_t>(1u << n)));
    ring.Append(Bytes(ReceiveRing::kSize - 8 * kBlockFrameLength, 0x00));
    EXPECT_EQ(Scan(kFormatBlock).count, ScanResult::kMaxReadings);
}

TEST(ReceiveRing, KeepsTheNewest512BytesOfAnOverflow) {
    ReceiveRing ring;
    Bytes many(600);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<uint8_t>(i * 7);
    ring.Append(many);
    EXPECT_EQ(ring.ReceiveCount, 512);
    for (int32_t i = 0; i < 512; ++i) ASSERT_EQ(ring.At(i), many[88 + static_cast<std::size_t>(i)]) << i;

    // Indices left out of range by other code are pulled back before use.
    ring.ReceiveCount = 9000;
    ring.ReceiveHead = -4;
    ring.Append(Bytes{1, 2, 3});
    EXPECT_EQ(ring.ReceiveCount, 512);
    EXPECT_GE(ring.ReceiveHead, 0);
    EXPECT_LT(ring.ReceiveHead, 512);
}

TEST(ReceiveRing, BlocksLandWhereByteByByteAppendingPutsThem) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::size_t> length(0, 1200);
    std::uniform_int_distribution<int32_t> consume(0, 600);
    ReceiveRing blocks, bytes;
    uint8_t next = 0;
    for (int round = 0; round < 300; ++round) {
        Bytes chunk(round % 7 == 0 ? length(rng) : length(rng) % 80);
        for (uint8_t& b : chunk) b = next++;
        blocks.Append(chunk);
        for (uint8_t b : chunk) bytes.Append(Bytes{b});
        ASSERT_EQ(blocks.ReceiveHead, bytes.ReceiveHead) << "round " << round;
        ASSERT_EQ(blocks.ReceiveCount, bytes.ReceiveCount) << "round " << round;
        ASSERT_EQ(blocks.ReceiveBuffer, bytes.ReceiveBuffer) << "round " << round;
        const int32_t n = consume(rng);
        blocks.Consume(n);
        bytes.Consume(n);
    }
}

// Takes the scanner's readings search by search and checks them against the
// sent frames in order: a search may accept several frames, none may skip one.
class StreamChecker {
  public:
    explicit StreamChecker(uint8_t format) : format_(format) {}
    void Expect(const testing::SentFrame& f) {
        for (const auto& r : f.readings) pending_.push_back(r);
    }
    void Take(const ScanResult& s) {
        for (std::size_t k = 0; k < s.count; ++k) {
            ASSERT_LT(next_, pending_.size()) << "format " << int(format_) << ": more readings than sent";
            const SentReading& want = pending_[next_++];
            ASSERT_EQ(s.readings[k].channel, want.channel) << "format " << int(format_) << " reading " << next_;
            ASSERT_EQ(s.readings[k].value, want.value) << "format " << int(format_) << " reading " << next_;
        }
    }
    std::size_t Undecoded() const { return pending_.size() - next_; }

  private:
    uint8_t format_;
    std::vector<SentReading> pending_;
    std::size_t next_ = 0;
};

// Feeds `stream` to a ring in random chunks, scanning after each, then a few
// single bytes so that the last window is examined.
void FeedInChunks(uint8_t format, const Bytes& stream, std::size_t maxChunk, std::mt19937& rng, StreamChecker& check) {
    ReceiveRing ring;
    auto scan = [&] {
        const ScanResult s = ScanFrames(ring, format);
        ring.Consume(s.consumed);
        check.Take(s);
        ASSERT_GE(ring.ReceiveHead, 0);
        ASSERT_LT(ring.ReceiveHead, 512);
        ASSERT_GE(ring.ReceiveCount, 0);
        ASSERT_LE(ring.ReceiveCount, 512);
    };
    std::uniform_int_distribution<std::size_t> chunk(1, maxChunk);
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t n = std::min(chunk(rng), stream.size() - at);
        ring.Append(std::span(stream).subspan(at, n));
        at += n;
        scan();
        if (::testing::Test::HasFatalFailure()) return;
    }
    for (int flush = 0; flush < 3; ++flush) {
        ring.Append(Bytes{0x00});
        scan();
    }
}

TEST(ScanStream, EveryFrameOfABackToBackStreamArrivesWhateverTheChunking) {
    for (uint8_t format = 0; format <= 4; ++format) {
        for (uint32_t seed : {1u, 2u, 3u}) {
            std::mt19937 rng(seed * 100 + format);
            StreamChecker check(format);
            Bytes stream;
            const uint32_t frames = format == kFormatBlock ? 60 : 400;
            for (uint32_t n = 0; n < frames; ++n) {
                const auto f = MakeFrame(format, n, n == 0);
                check.Expect(f);
                stream.insert(stream.end(), f.bytes.begin(), f.bytes.end());
            }
            FeedInChunks(format, stream, 150, rng, check);
            ASSERT_FALSE(::testing::Test::HasFatalFailure());
            EXPECT_EQ(check.Undecoded(), 0u) << "format " << int(format) << " seed " << seed;
        }
    }
}

TEST(ScanStream, GarbageBetweenFramesNeverLosesAFrameOrBreaksTheRing) {
    for (uint8_t format = 0; format <= 4; ++format) {
        for (uint32_t seed : {11u, 12u, 13u, 14u}) {
            std::mt19937 rng(seed * 31 + format);
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
            FeedInChunks(format, stream, 60, rng, check);
            ASSERT_FALSE(::testing::Test::HasFatalFailure()) << "seed " << seed;
            EXPECT_EQ(check.Undecoded(), 0u) << "format " << int(format) << " seed " << seed;
        }
    }
}

}  // namespace
}  // namespace vexla
