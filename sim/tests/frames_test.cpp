// What the simulated gauges put on the line decodes, through the driver's own
// decoder, to the numbers the model holds, wrap points included.

#include <gtest/gtest.h>

#include <algorithm>

#include "protocol/command_frames.h"
#include "protocol/frame_scanner.h"
#include "protocol/gauge_frames.h"
#include "sim_test_support.h"

namespace vexla::sim {
namespace {

using testing::kMs;
using testing::RunNetwork;

constexpr uint8_t kChannel = 5;  // fits every layout; group 1 in format 4

struct WireCase {
    uint8_t format;
    BlockLayout layout;
    int64_t travel;  // value units
    int64_t zeroAt;  // travel at the last hardware zero
    int32_t position;
    int32_t value;
};

constexpr BlockLayout R = BlockLayout::Record;
constexpr BlockLayout F = BlockLayout::Fixed;

const WireCase kWireCases[] = {
    // General frame: position 2 x field, the counter running round at
    // 20,807,680; display 2 x 23-bit field.
    {2, R, 0, 0, 0, 0},
    {2, R, 12345, 0, 12344, 12350},
    {2, R, 20807678, 20807678, 20807678, 0},  // position at the top of its period
    {2, R, 33554430, 0, 12746750, 16777214},  // past one period; display at its top
    {3, R, 20807680, 20807780, 0, -100},      // position wrapped to 0
    {3, R, -2, 0, 20807678, 0},               // below 0 wraps to the top
    {3, R, -15, 0, 20807664, -20},
    {3, R, 16777220, 0, 16777220, 4},  // display field wrapped
    // Wireless frame: 20-bit position and 19-bit display, 10/4 each.
    {4, R, 0, 0, 0, 0},
    {4, R, 12345, 0, 12345, 12350},
    {4, R, 2621440, 1310730, 0, 1310710},
    {4, R, -1, 1310719, 2621437, 0},
    {4, R, -5, 0, 2621435, -10},
    // Text frame: position digits running round at 65,024 (x 10 = 650,240
    // counts) and four display digits.
    {1, R, 0, 0, 0, 0},
    {1, R, 12345, 0, 12340, 12350},
    {1, R, 650239, 650239, 650230, 0},
    {1, R, 650240, 650250, 0, -10},
    {1, R, 1000000, 900010, 349760, 99990},
    {1, R, -25, 0, 650210, -30},
    // Block frame: 1024 counts per 1270 units; the display counts negated in
    // 24 bits, so past its positive end it reads as negative.
    {0, R, 0, 0, 0, 0},
    {0, R, 1270, 0, 1024, 1270},
    {0, F, -1270, 0, 16776192, -1270},
    {0, R, 10322560, 0, 8323072, 10322560},
    {0, F, 10322561, 0, 8323073, -10485118},
    {0, R, 20807680, 20807680, 0, 0},
    {0, F, 20807679, 20807679, 16777215, 0},
};

std::vector<uint8_t> FirstFramesOf(Network& net) {
    if (net.Config().format == 2) net.Receive(std::array{PollByte(kChannel)}, Micros(0));
    if (net.Config().format == 4) net.Receive(WirelessPollFrame(kChannel / 4), Micros(0));
    return RunNetwork(net, Micros(0), 600 * kMs);
}

std::optional<GaugeReading> DecodeFirst(uint8_t format, const std::vector<uint8_t>& bytes) {
    auto span = std::span(bytes);
    switch (format) {
        case 0: {
            if (bytes.size() < kBlockFrameLength) return std::nullopt;
            const auto f = DecodeBlockFrame(span.first<kBlockFrameLength>());
            if (!f) return std::nullopt;
            for (std::size_t r = 0; r < f->count; ++r)
                if (f->readings[r].channel == kChannel) return f->readings[r];
            return std::nullopt;
        }
        case 1:
            if (bytes.size() < kTextFrameLength) return std::nullopt;
            return DecodeTextFrame(span.first<kTextFrameLength>());
        case 4:
            if (bytes.size() < kWirelessFrameLength) return std::nullopt;
            return DecodeWirelessFrame(span.first<kWirelessFrameLength>());
        default:
            if (bytes.size() < kGeneralFrameLength) return std::nullopt;
            return DecodeGeneralFrame(span.first<kGeneralFrameLength>());
    }
}

TEST(SimFrames, DecodeToTheModelsNumbersAtWrapPoints) {
    for (const WireCase& c : kWireCases) {
        for (GaugeKind kind : {GaugeKind::Hundredth, GaugeKind::Thousandth}) {
            SCOPED_TRACE(::testing::Message() << "format " << int(c.format) << " layout " << int(c.layout) << " travel "
                                              << c.travel << " zero at " << c.zeroAt << " kind " << int(kind));
            NetworkConfig config = testing::ConfigFor(c.format);
            config.layout = c.layout;
            Network net(config);
            Gauge& g = net.gauges[kChannel];
            g.present = true;
            g.kind = kind;
            g.Advance(Micros(0));
            g.SetTravel(c.zeroAt);
            g.HardwareZero();
            g.SetTravel(c.travel);

            const ShownNumbers model = net.ShownBy(kChannel);
            EXPECT_EQ(model.position, c.position);
            EXPECT_EQ(model.value, c.value);

            const std::vector<uint8_t> bytes = FirstFramesOf(net);
            const auto reading = DecodeFirst(c.format, bytes);
            ASSERT_TRUE(reading.has_value());
            EXPECT_EQ(reading->channel, kChannel);
            EXPECT_EQ(reading->position, model.position);
            EXPECT_EQ(reading->value, model.value);

            // The driver's frame search finds the same reading in the stream.
            ReceiveRing ring;
            ring.Append(bytes);
            const ScanResult scan = ScanFrames(ring, c.format);
            const auto found = std::find_if(scan.readings.begin(), scan.readings.begin() + scan.count,
                                            [](const ScannedReading& r) { return r.channel == kChannel; });
            ASSERT_NE(found, scan.readings.begin() + scan.count);
            EXPECT_EQ(found->value, model.value);
        }
    }
}

// The two kinds differ in how many value units a millimetre is and show the
// display rounded to their last digit.
TEST(SimFrames, GaugeKindsScaleMillimetres) {
    struct Case {
        GaugeKind kind;
        double mm;
        int64_t travel;
        int32_t value;
    };
    const Case cases[] = {
        {GaugeKind::Hundredth, 1.234, 1234, 1230},     {GaugeKind::Thousandth, 1.234, 12340, 12340},
        {GaugeKind::Hundredth, 12.3456, 12346, 12350}, {GaugeKind::Thousandth, -0.0006, -6, -10},
        {GaugeKind::Hundredth, -0.004, -4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mm);
        Network net(testing::ConfigFor(3));
        Gauge& g = net.gauges[kChannel];
        g.present = true;
        g.kind = c.kind;
        g.motion.kind = MotionKind::Still;
        g.motion.offsetMm = c.mm;
        g.Advance(Micros(0));
        EXPECT_EQ(g.Travel(), c.travel);
        const auto reading = DecodeFirst(3, FirstFramesOf(net));
        ASSERT_TRUE(reading.has_value());
        EXPECT_EQ(reading->value, c.value);
    }
}

// Text readings in a stream share their carriage returns, and the driver
// takes every one of them.
TEST(SimFrames, TextReadingsShareCarriageReturns) {
    NetworkConfig config = testing::ConfigFor(1);
    config.standardRate = 20;
    Network net(config);
    for (uint8_t c : {0, 9, 31}) {
        net.gauges[c].present = true;
        net.gauges[c].Advance(Micros(0));
        net.gauges[c].SetTravel(1000 * (c + 1));
    }
    std::vector<uint8_t> bytes = RunNetwork(net, Micros(0), 1000 * kMs);
    // Up to the end of the last whole reading (no other byte is a carriage return).
    while (!bytes.empty() && bytes.back() != 0x0D) bytes.pop_back();
    ASSERT_GE(bytes.size(), 15u);
    EXPECT_EQ(bytes[0], 0x0D);
    // 15 bytes for the first reading, 14 for every later one.
    EXPECT_EQ((bytes.size() - 1) % 14, 0u);
    const std::size_t readings = (bytes.size() - 1) / 14;
    EXPECT_GE(readings, 57u);  // three gauges at 20 a second

    ReceiveRing ring;
    std::size_t seen = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 14) {
        ring.Append(std::span(bytes).subspan(at, std::min<std::size_t>(14, bytes.size() - at)));
        const ScanResult scan = ScanFrames(ring, 1);
        ring.Consume(scan.consumed);
        for (std::size_t k = 0; k < scan.count; ++k) {
            const uint8_t c = scan.readings[k].channel;
            ASSERT_TRUE(c == 0 || c == 9 || c == 31) << int(c);
            ++seen;
            EXPECT_EQ(scan.readings[k].value, 1000 * (c + 1));
        }
    }
    // The newest reading waits for the byte after it.
    EXPECT_GE(seen + 1, readings);
}

}  // namespace
}  // namespace vexla::sim
