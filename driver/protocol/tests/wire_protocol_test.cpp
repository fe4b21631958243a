// Byte-level vectors of the wire protocol and encode/decode round trips of
// every frame kind the gauges send.

#include <gtest/gtest.h>

#include <vector>

#include "protocol/command_frames.h"
#include "protocol/crc8.h"
#include "protocol/gauge_frames.h"
#include "protocol/odd_parity.h"

namespace vexla {
namespace {

using Bytes = std::vector<uint8_t>;

template <typename Array>
Bytes ToBytes(const Array& a) {
    return Bytes(a.begin(), a.end());
}

// Bit-serial Dallas/Maxim CRC-8, written independently of the table.
uint8_t BitwiseCrc8(const Bytes& data) {
    uint8_t crc = 0;
    for (uint8_t byte : data) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool mix = ((crc ^ byte) & 1) != 0;
            crc >>= 1;
            if (mix) crc ^= 0x8C;
            byte >>= 1;
        }
    }
    return crc;
}

TEST(Crc8, TableMatchesTheBitSerialDefinitionAndTheCheckValue) {
    for (unsigned v = 0; v < 256; ++v) EXPECT_EQ(UnitCRC[v], BitwiseCrc8({static_cast<uint8_t>(v)})) << "entry " << v;
    const Bytes check = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc8(check), 0xA1);  // the standard check value of this CRC
    EXPECT_EQ(Crc8(Bytes{0xBF, 0x6A, 0x2A}), 0x03);
}

TEST(OddParity, EverySevenBitCharacterHasExactlyOneValidByte) {
    for (unsigned c = 0; c < 128; ++c) {
        const bool low = HasOddParity(static_cast<uint8_t>(c));
        const bool high = HasOddParity(static_cast<uint8_t>(c | 0x80));
        EXPECT_NE(low, high) << "character " << c;
        EXPECT_TRUE(HasOddParity(WithOddParity(static_cast<uint8_t>(c))));
    }
    EXPECT_TRUE(HasOddParity(0x0D));
    EXPECT_FALSE(HasOddParity(0x2B));  // a plain "+" lacks its parity bit
    EXPECT_EQ(WithOddParity('+'), 0xAB);
    EXPECT_EQ(WithOddParity('-'), 0xAD);
}

TEST(FramesToGauges, AreByteExact) {
    struct Case {
        const char* name;
        Bytes actual;
        Bytes expected;
    };
    const Case cases[] = {
        {"poll address 0", {PollByte(0)}, {0x80}},
        {"poll address 31", {PollByte(31)}, {0x9F}},
        {"general hardware zero, channel 3", ToBytes(GeneralCommandFrame(3, CommandK(2))), {0xF0, 0x83, 0x83, 0xA5}},
        {"general fast state, channel 0", ToBytes(GeneralCommandFrame(0, CommandK(0))), {0xF0, 0x80, 0x80, 0x87}},
        {"general hold + zero, channel 31", ToBytes(GeneralCommandFrame(31, CommandK(6))), {0xF0, 0x9F, 0x9F, 0xE1}},
        {"channel zero, channel 0",
         ToBytes(ChannelZeroFrame(0)),
         {0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x01, 0x02, 0x03}},
        {"channel zero, channel 31",
         ToBytes(ChannelZeroFrame(31)),
         {0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x20, 0x02, 0x22}},
        {"short broadcast, hardware zero",
         ToBytes(ShortBroadcastFrame(2)),
         {0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x02, 0x02}},
        {"long broadcast, hold", ToBytes(LongBroadcastFrame(4)), {0, 0, 0, 0, 0,    0,    0,    0,    0,    0,
                                                                  0, 0, 0, 0, 0xFF, 0xFF, 0x00, 0xFF, 0x04, 0x04}},
        {"wireless hardware zero", ToBytes(WirelessCommandFrame(CommandK(2))), {0xBF, 0x6A, 0x2A, 0x83}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
}

// A gauge checks a sealed frame by moving bit 6 of byte 0 back into bit 7 of
// the CRC; the CRC over the three bytes must then be the restored byte 3.
TEST(FramesToGauges, WirelessSealingCarriesTheCrcBit) {
    std::vector<std::array<uint8_t, 4>> frames;
    for (uint8_t g = 0; g <= 8; ++g) frames.push_back(WirelessPollFrame(g));
    for (uint8_t code : {0, 1, 2, 3, 4, 6}) frames.push_back(WirelessCommandFrame(CommandK(code)));
    bool sawHighCrc = false, sawLowCrc = false;
    for (const auto& f : frames) {
        ASSERT_TRUE(f[3] & 0x80);
        const bool carried = (f[0] & 0x40) != 0;
        const Bytes head = {static_cast<uint8_t>(f[0] & ~0x40), f[1], f[2]};
        const uint8_t crc = BitwiseCrc8(head);
        EXPECT_EQ(crc >= 0x80, carried);
        EXPECT_EQ(f[3], carried ? crc : crc + 0x80);
        (carried ? sawHighCrc : sawLowCrc) = true;
    }
    EXPECT_TRUE(sawHighCrc && sawLowCrc) << "both sealing cases must be exercised";
    EXPECT_EQ(WirelessPollFrame(1)[1], 0x04);
    EXPECT_EQ(WirelessPollFrame(8)[1], 0x20);
}

TEST(BlockDisplay, FieldsDecodeWithSignAndScale) {
    struct Case {
        uint32_t field;
        int32_t value;
    };
    const Case cases[] = {
        {0x000000, 0},         {0x000400, -1270},    {0xFFFFFF, 1},
        {0x800000, -10403840},  // H = 0x80 counts as negative; the product needs 64 bits
        {0x80FFFF, -10485118}, {0x810000, 10322560}, {0x1A2B3C, -2127006},
    };
    for (const Case& c : cases) EXPECT_EQ(BlockDisplayValue(c.field), c.value) << std::hex << c.field;
}

TEST(BlockDisplay, FieldForAValueReachesIt) {
    for (int32_t v : {0, 1, 5, -1, -5, 1270, -1270, 12345, -12345, 10322560, -10485118}) {
        const int32_t back = BlockDisplayValue(BlockDisplayField(v));
        // Not every value is representable; the field reaches it or just past.
        EXPECT_TRUE(back == v || (v > 0 && back == v + 1) || (v < 0 && back == v - 1)) << v << " -> " << back;
    }
}

TEST(GeneralFrame, RoundTripsOverTheFieldRanges) {
    for (uint8_t ch : {0, 1, 17, 31})
        for (uint32_t p : {0u, 1u, 7u, 8u, 0x12345u, 0x7FFFFFu, 0x800000u, 0xFFFFFFu})
            for (uint32_t d : {0u, 1u, 5u, 0x3FFFFFu, 0x7FFFFFu})
                for (bool neg : {false, true}) {
                    const auto f = EncodeGeneralFrame({ch, p, d, neg, false});
                    const auto r = DecodeGeneralFrame(f);
                    ASSERT_TRUE(r) << int(ch) << " " << p << " " << d;
                    EXPECT_EQ(r->channel, ch);
                    EXPECT_EQ(r->position, static_cast<int32_t>(2 * p));
                    EXPECT_EQ(r->value, (neg ? -1 : 1) * static_cast<int32_t>(2 * d));
                }
}

TEST(WirelessFrame, RoundTripsOverTheFieldRanges) {
    for (uint8_t ch : {0, 5, 31})
        for (uint32_t p : {0u, 1u, 3u, 0x7Fu, 0x80u, 0x3FFFu, 0xFFFFFu})
            for (uint32_t d : {0u, 1u, 2u, 0x4000u, 0x7FFFFu})
                for (bool neg : {false, true}) {
                    const auto f = EncodeWirelessFrame({ch, p, d, neg, false});
                    const auto r = DecodeWirelessFrame(f);
                    ASSERT_TRUE(r) << int(ch) << " " << p << " " << d;
                    EXPECT_EQ(r->channel, ch);
                    EXPECT_EQ(r->position, static_cast<int32_t>(p * 10 / 4));
                    EXPECT_EQ(r->value, (neg ? -1 : 1) * static_cast<int32_t>(d * 10 / 4));
                }
}

TEST(TextFrame, RoundTripsOverTheDigitRanges) {
    for (uint8_t ch : {0, 9, 31})
        for (uint32_t p : {0u, 1u, 12345u, 99999u})
            for (uint32_t d : {0u, 7u, 9999u})
                for (bool neg : {false, true}) {
                    const auto f = EncodeTextFrame({ch, p, d, neg});
                    const auto r = DecodeTextFrame(f);
                    ASSERT_TRUE(r) << int(ch) << " " << p << " " << d;
                    EXPECT_EQ(r->channel, ch);
                    EXPECT_EQ(r->position, static_cast<int32_t>(p * 10));
                    EXPECT_EQ(r->value, (neg ? -1 : 1) * static_cast<int32_t>(d * 10));
                }
    // "1" is channel 0 and "P" channel 31.
    EXPECT_EQ(EncodeTextFrame({0, 0, 0, false})[1] & 0x7F, '1');
    EXPECT_EQ(EncodeTextFrame({31, 0, 0, false})[1] & 0x7F, 'P');
}

TEST(BlockFrame, RoundTripsInBothLayouts) {
    BlockFields rec;
    rec.layout = BlockLayout::Record;
    for (unsigned r = 0; r < 7; ++r) rec.entries[r] = {static_cast<uint8_t>(r * 5), r * 0x222222u, 0xFFFFFFu - r};
    const auto rf = DecodeBlockFrame(EncodeBlockFrame(rec));
    ASSERT_TRUE(rf);
    EXPECT_EQ(rf->layout, BlockLayout::Record);
    ASSERT_EQ(rf->count, 7u);
    for (unsigned r = 0; r < 7; ++r) {
        EXPECT_EQ(rf->readings[r].channel, r * 5);
        EXPECT_EQ(rf->readings[r].position, static_cast<int32_t>(r * 0x222222u));
        EXPECT_EQ(rf->readings[r].value, BlockDisplayValue(0xFFFFFFu - r));
    }

    BlockFields fixed;
    fixed.layout = BlockLayout::Fixed;
    for (unsigned r = 0; r < 8; ++r) fixed.entries[r] = {0, 0xFFFFFFu - r, 0x000400u * r};
    fixed.status = 0xA5;
    const auto ff = DecodeBlockFrame(EncodeBlockFrame(fixed));
    ASSERT_TRUE(ff);
    EXPECT_EQ(ff->layout, BlockLayout::Fixed);
    ASSERT_EQ(ff->count, 8u);
    EXPECT_EQ(ff->status, 0xA5);
    for (unsigned r = 0; r < 8; ++r) {
        EXPECT_EQ(ff->readings[r].channel, r);
        EXPECT_EQ(ff->readings[r].position, static_cast<int32_t>(0xFFFFFFu - r));
        EXPECT_EQ(ff->readings[r].value, -1270 * static_cast<int32_t>(r));
    }
}

// Every check of every frame kind must catch any single flipped bit.
TEST(FramesFromGauges, AnySingleBitErrorIsRejected) {
    BlockFields block;
    block.entries[0] = {3, 0x123456, 0x000400};
    const std::vector<std::pair<const char*, Bytes>> frames = {
        {"general", ToBytes(EncodeGeneralFrame({7, 0xABCDE, 0x1234, true, false}))},
        {"wireless", ToBytes(EncodeWirelessFrame({9, 0x54321, 0x1234, false, false}))},
        {"text", ToBytes(EncodeTextFrame({4, 31415, 2718, true}))},
        {"block", ToBytes(EncodeBlockFrame(block))},
    };
    auto accepted = [](const Bytes& b) -> bool {
        switch (b.size()) {
            case kGeneralFrameLength:
                return DecodeGeneralFrame(std::span<const uint8_t, 11>(b.data(), 11)).has_value();
            case kWirelessFrameLength:
                return DecodeWirelessFrame(std::span<const uint8_t, 8>(b.data(), 8)).has_value();
            case kTextFrameLength:
                return DecodeTextFrame(std::span<const uint8_t, 15>(b.data(), 15)).has_value();
            default:
                return DecodeBlockFrame(std::span<const uint8_t, 62>(b.data(), 62)).has_value();
        }
    };
    for (const auto& [name, good] : frames) {
        ASSERT_TRUE(accepted(good)) << name;
        for (std::size_t i = 0; i < good.size(); ++i)
            for (int bit = 0; bit < 8; ++bit) {
                Bytes bad = good;
                bad[i] ^= static_cast<uint8_t>(1 << bit);
                EXPECT_FALSE(accepted(bad)) << name << " byte " << i << " bit " << bit;
            }
    }
}

TEST(FramesFromGauges, RejectTheDocumentedNearMisses) {
    // General frame with the fault mark set and both checks recomputed.
    const auto faulty = EncodeGeneralFrame({3, 100, 100, false, true});
    EXPECT_FALSE(DecodeGeneralFrame(faulty));
    // Channel byte 0xA0 (channel 32) with both checks valid.
    EXPECT_FALSE(DecodeGeneralFrame(EncodeGeneralFrame({32, 100, 100, false, false})));
    // Wireless fault mark, and channel 40 with a correct CRC.
    EXPECT_FALSE(DecodeWirelessFrame(EncodeWirelessFrame({3, 100, 100, false, true})));
    EXPECT_FALSE(DecodeWirelessFrame(EncodeWirelessFrame({40, 100, 100, false, false})));
    // Text frame whose sign is a plain "+": fix up the parity-free byte and
    // its check letters so that only the sign byte is wrong.
    auto text = EncodeTextFrame({2, 100, 100, false});
    text[7] = 0x2B;
    EXPECT_FALSE(DecodeTextFrame(text));
    // A block frame with an unknown layout mark.
    auto block = EncodeBlockFrame(BlockFields{});
    block[5] = 0x02;  // 0x02 0x21 is neither layout
    EXPECT_FALSE(DecodeBlockFrame(block));
}

TEST(WirelessFrame, CrcBitTravelsInByteZero) {
    // Find frames of both kinds: CRC bit 7 set (carried) and clear.
    int carried = 0, plain = 0;
    for (uint32_t p = 0; p < 64 && (carried == 0 || plain == 0); ++p) {
        auto f = EncodeWirelessFrame({1, p, 0, false, false});
        const bool bit6 = (f[0] & 0x40) != 0;
        (bit6 ? carried : plain)++;
        ASSERT_TRUE(DecodeWirelessFrame(f));
        f[0] ^= 0x40;  // the same bytes with bit 6 toggled must fail
        EXPECT_FALSE(DecodeWirelessFrame(f)) << p;
    }
    EXPECT_GT(carried, 0);
    EXPECT_GT(plain, 0);
}

}  // namespace
}  // namespace vexla
