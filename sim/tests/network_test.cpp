// Polls, commands, push rates, faults and pacing of the simulated network,
// under a test clock.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/command_frames.h"
#include "protocol/gauge_frames.h"
#include "sim_test_support.h"

namespace vexla::sim {
namespace {

using testing::ConfigFor;
using testing::kMs;
using testing::RunNetwork;

constexpr int64_t kStartTravel = 5000;

std::vector<uint8_t> Bytes(std::span<const uint8_t> a) {
    return {a.begin(), a.end()};
}

// A network whose gauges in `present` sit still at kStartTravel.
Network MakeNetwork(const NetworkConfig& config, std::initializer_list<uint8_t> present) {
    Network net(config);
    for (uint8_t c : present) {
        net.gauges[c].present = true;
        net.gauges[c].Advance(Micros(0));
        net.gauges[c].SetTravel(kStartTravel);
    }
    return net;
}

// Channels of the general or wireless frames in `bytes`, in order.
std::vector<int> ChannelsOf(uint8_t format, const std::vector<uint8_t>& bytes) {
    std::vector<int> out;
    const std::size_t n = format == 4 ? kWirelessFrameLength : kGeneralFrameLength;
    for (std::size_t at = 0; at + n <= bytes.size();) {
        const auto span = std::span(bytes).subspan(at);
        const auto r = format == 4 ? DecodeWirelessFrame(span.first<kWirelessFrameLength>())
                                   : DecodeGeneralFrame(span.first<kGeneralFrameLength>());
        if (!r) {
            ++at;
            continue;
        }
        out.push_back(r->channel);
        at += n;
    }
    return out;
}

TEST(SimPolls, AnswerOnlyForPresentGauges) {
    struct Case {
        uint8_t format;
        std::vector<uint8_t> poll;
        std::vector<int> answers;
    };
    // Gauges 1, 5, 6 and 30 are present; 7 is present but silent.
    const Case cases[] = {
        {2, {PollByte(1)}, {1}},
        {2, {PollByte(30)}, {30}},
        {2, {PollByte(2)}, {}},
        {2, {PollByte(7)}, {}},
        {2, {0x7F, 0xA0, 0xC5}, {}},  // not polls
        {4, Bytes(WirelessPollFrame(1)), {5, 6}},
        {4, Bytes(WirelessPollFrame(0)), {1}},
        {4, Bytes(WirelessPollFrame(7)), {30}},
        {4, Bytes(WirelessPollFrame(2)), {}},
        {4, Bytes(WirelessPollFrame(8)), {}},                            // the probe names no gauge
        {4, {0x80, 0x04, 0x04, 0x00}, {}},                               // bad CRC
        {4, {0x55, 0x80, 0x04, 0x04, WirelessPollFrame(1)[3]}, {5, 6}},  // after a stray byte
        {4, {PollByte(5)}, {}},                                          // a format 2 poll means nothing here
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "format " << int(c.format) << " poll of " << c.poll.size() << " bytes, "
                                          << std::hex << int(c.poll[0]) << " " << int(c.poll.back()));
        Network net = MakeNetwork(ConfigFor(c.format), {1, 5, 6, 7, 30});
        net.gauges[7].silent = true;
        net.Receive(c.poll, Micros(0));
        EXPECT_EQ(ChannelsOf(c.format, RunNetwork(net, Micros(0), 100 * kMs)), c.answers);
    }
}

TEST(SimPolls, AnswerComesAfterTheTurnaround) {
    NetworkConfig config = ConfigFor(2, 9600);
    config.turnaround = Micros(5000);
    Network net = MakeNetwork(config, {3});
    net.Receive(std::array{PollByte(3)}, Micros(0));
    std::vector<uint8_t> out;
    Micros first{-1}, last{-1};
    for (Micros t{0}; t <= 100 * kMs; t += Micros(100)) {
        net.Advance(t);
        const std::size_t before = out.size();
        net.TakeOutput(t, out);
        if (out.size() > before && first.count() < 0) first = t;
        if (out.size() > before) last = t;
    }
    ASSERT_EQ(out.size(), kGeneralFrameLength);
    // The first byte's stop bit leaves one character (1.04 ms) after the turnaround.
    EXPECT_GE(first.count(), 6000);
    EXPECT_LE(first.count(), 6200);
    // Eleven characters at 9600 baud take 11.46 ms.
    EXPECT_GE(last.count(), 16400);
    EXPECT_LE(last.count(), 16600);
}

struct CommandCase {
    const char* name;
    uint8_t format;
    std::vector<uint8_t> bytes;
    uint32_t zeroed;        // gauges whose display went to 0
    uint32_t obeying;       // gauges that changed state
    GaugeState state;       // their new state
    bool accepted = false;  // a valid command, logged even when nobody obeys
};

template <typename... Spans>
std::vector<uint8_t> Concat(const Spans&... parts) {
    std::vector<uint8_t> out;
    (out.insert(out.end(), std::begin(parts), std::end(parts)), ...);
    return out;
}

constexpr uint32_t Bit(unsigned c) {
    return 1u << c;
}
// Present: 0, 1, 3, 4, 9. Gauge 9 is silent.
constexpr uint32_t kHearing = Bit(0) | Bit(1) | Bit(3) | Bit(4);

TEST(SimCommands, ObeyedOnlyWhenTheFrameChecksAndNamesTheGauge) {
    auto damaged = [](auto frame, std::size_t at, uint8_t value) {
        frame[at] = value;
        return Bytes(frame);
    };
    const CommandCase cases[] = {
        {"general zero of one channel", 2, Bytes(GeneralCommandFrame(3, CommandK(2))), Bit(3), Bit(3),
         GaugeState::Fast},
        {"general hold of one channel", 2, Bytes(GeneralCommandFrame(4, CommandK(4))), 0, Bit(4), GaugeState::Hold},
        {"general, nibbles not complementary", 2, damaged(GeneralCommandFrame(3, CommandK(2)), 3, 0xA4), 0, 0, {}},
        {"general, addresses differ", 2, damaged(GeneralCommandFrame(3, CommandK(2)), 2, 0x84), 0, 0, {}},
        {"general, code 5", 2, Bytes(GeneralCommandFrame(3, CommandK(5))), 0, 0, {}},
        {"general, absent channel", 2, Bytes(GeneralCommandFrame(2, CommandK(2))), 0, 0, {}, true},
        {"general, silent channel", 2, Bytes(GeneralCommandFrame(9, CommandK(2))), 0, 0, {}, true},
        {"short broadcast zero", 3, Bytes(ShortBroadcastFrame(2)), kHearing, kHearing, GaugeState::Fast},
        {"short broadcast standard", 3, Bytes(ShortBroadcastFrame(1)), 0, kHearing, GaugeState::Standard},
        {"short broadcast code 5", 3, Bytes(ShortBroadcastFrame(5)), 0, 0, {}},
        {"channel zero", 3, Bytes(ChannelZeroFrame(3)), Bit(3), Bit(3), GaugeState::Fast},
        {"channel zero of channel 1 (begins like the broadcast)", 3, Bytes(ChannelZeroFrame(1)), Bit(1), Bit(1),
         GaugeState::Fast},
        {"broadcast zero, then a byte other than 0x04", 3, Concat(ShortBroadcastFrame(2), std::array<uint8_t, 1>{0x00}),
         kHearing, kHearing, GaugeState::Fast},
        {"channel zero, bad check", 3, damaged(ChannelZeroFrame(3), 8, 0x07), 0, 0, {}},
        {"channel zero of address 33",
         3,
         Bytes(std::array<uint8_t, 9>{0, 0, 0xFF, 0xFF, 0, 0xFF, 33, 2, 35}),
         0,
         0,
         {}},
        {"long broadcast hold, zero", 0, Bytes(LongBroadcastFrame(6)), kHearing, kHearing, GaugeState::Hold},
        {"long broadcast fast", 1, Bytes(LongBroadcastFrame(0)), 0, kHearing, GaugeState::Fast},
        {"long broadcast, a leading zero damaged", 1, damaged(LongBroadcastFrame(2), 3, 0x10), 0, 0, {}},
        {"long broadcast, codes differ", 0, damaged(LongBroadcastFrame(2), 19, 3), 0, 0, {}},
        {"short broadcast in format 1", 1, Bytes(ShortBroadcastFrame(2)), 0, 0, {}},
        {"wireless zero reaches every gauge", 4, Bytes(WirelessCommandFrame(CommandK(2))), kHearing, kHearing,
         GaugeState::Fast},
        {"wireless hold", 4, Concat(std::array<uint8_t, 2>{0x12, 0xBF}, WirelessCommandFrame(CommandK(4))), 0, kHearing,
         GaugeState::Hold},
        {"wireless, bad CRC", 4, damaged(WirelessCommandFrame(CommandK(2)), 3, 0x84), 0, 0, {}},
        {"wireless, CRC bit moved", 4, damaged(WirelessCommandFrame(CommandK(2)), 0, 0xFF), 0, 0, {}},
        {"wireless poll is no command", 4, Bytes(WirelessPollFrame(0)), 0, 0, {}},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        Network net = MakeNetwork(ConfigFor(c.format), {0, 1, 3, 4, 9});
        net.gauges[9].silent = true;
        std::vector<std::string> logged;
        net.log = [&](Micros, std::string_view text) { logged.emplace_back(text); };
        net.Receive(c.bytes, Micros(0));
        RunNetwork(net, Micros(0), 100 * kMs);  // lets an undecided frame settle
        for (uint8_t ch = 0; ch < kGauges; ++ch) {
            const Gauge& g = net.gauges[ch];
            if (!g.present) continue;
            SCOPED_TRACE(::testing::Message() << "channel index " << int(ch));
            EXPECT_EQ(g.DisplayTravel(), (c.zeroed >> ch & 1) ? 0 : kStartTravel);
            EXPECT_EQ(g.state, (c.obeying >> ch & 1) ? c.state : GaugeState::Standard);
            EXPECT_EQ(g.Travel(), kStartTravel);  // the position counter keeps counting
        }
        // Every accepted command is logged, whether or not a gauge obeyed.
        const bool accepted = c.obeying != 0 || c.accepted;
        ASSERT_EQ(logged.size(), accepted ? 1u : 0u);
        if (accepted) {
            EXPECT_NE(logged[0].find(c.obeying ? "obeyed by" : "no gauge obeys"), std::string::npos) << logged[0];
        }
    }
}

// The address and command bytes of a general command frame lie in the poll
// range; a gauge must not answer them.
TEST(SimCommands, CommandBytesAreNotPolls) {
    Network net = MakeNetwork(ConfigFor(2), {3, 7, 0x16});
    net.Receive(GeneralCommandFrame(3, CommandK(0)), Micros(0));     // 0xF0 0x83 0x83 0x87
    net.Receive(GeneralCommandFrame(0x16, CommandK(1)), Micros(0));  // ... 0x96 0x96 0x96
    EXPECT_TRUE(RunNetwork(net, Micros(0), 100 * kMs).empty());
    EXPECT_EQ(net.gauges[3].state, GaugeState::Fast);
    EXPECT_EQ(net.gauges[0x16].state, GaugeState::Standard);
    EXPECT_EQ(net.Stats().commands, 2u);
    // A poll right after the frame is one.
    net.Receive(std::array{PollByte(7)}, 100 * kMs);
    EXPECT_EQ(ChannelsOf(2, RunNetwork(net, 100 * kMs, 200 * kMs)), std::vector<int>{7});
}

// Whatever the driver's end sends, the gauges go on working.
TEST(SimCommands, RandomBytesFromTheDriverAreHarmless) {
    std::mt19937 rng(7);
    for (uint8_t format = 0; format <= 4; ++format) {
        SCOPED_TRACE(int(format));
        Network net = MakeNetwork(ConfigFor(format), {0, 1, 2, 3, 4, 5, 6, 7});
        std::vector<uint8_t> out;
        for (Micros t{0}; t < 20000 * kMs; t += kMs) {
            std::array<uint8_t, 10> noise{};
            for (auto& b : noise) b = static_cast<uint8_t>(rng());
            net.Receive(noise, t);
            // Real polls among the noise still reach the gauges.
            if (t.count() % 50000 == 0 && format == 2) net.Receive(std::array{PollByte(1)}, t);
            if (t.count() % 50000 == 0 && format == 4) net.Receive(WirelessPollFrame(0), t);
            net.Advance(t);
            net.TakeOutput(t, out);
        }
        EXPECT_GT(out.size(), 0u);
        if (format >= 2) {
            EXPECT_FALSE(ChannelsOf(format, out).empty());
        }
    }
}

TEST(SimGauge, HoldFreezesTheDisplayButNotThePosition) {
    Gauge g;
    g.motion.kind = MotionKind::Ramp;
    g.motion.speedMmPerS = 1;
    g.Advance(Micros(1000000));
    EXPECT_EQ(g.DisplayTravel(), 1000);
    EXPECT_TRUE(g.Obey(4));
    g.Advance(Micros(3000000));
    EXPECT_EQ(g.Travel(), 3000);
    EXPECT_EQ(g.DisplayTravel(), 1000);
    EXPECT_TRUE(g.Obey(6));  // hold, zeroing: holds a zero
    g.Advance(Micros(4000000));
    EXPECT_EQ(g.DisplayTravel(), 0);
    EXPECT_TRUE(g.Obey(1));  // leaving hold: the display follows from the zero
    g.Advance(Micros(5000000));
    EXPECT_EQ(g.DisplayTravel(), 2000);
    EXPECT_FALSE(g.Obey(5));
    EXPECT_FALSE(g.Obey(7));
    EXPECT_EQ(g.state, GaugeState::Standard);
}

std::size_t FramesOfChannel(uint8_t format, const std::vector<uint8_t>& bytes, int channel) {
    const auto channels = ChannelsOf(format, bytes);
    return static_cast<std::size_t>(std::count(channels.begin(), channels.end(), channel));
}

TEST(SimPush, StateChangesChangeThePushRate) {
    Network net = MakeNetwork(ConfigFor(3, 19200), {2, 12});
    EXPECT_EQ(FramesOfChannel(3, RunNetwork(net, Micros(0), 10000 * kMs), 2), 50u);

    net.Receive(ShortBroadcastFrame(0), 10000 * kMs);
    const auto fast = RunNetwork(net, 10001 * kMs, 20000 * kMs);
    EXPECT_NEAR(static_cast<double>(FramesOfChannel(3, fast, 2)), 200.0, 1.0);
    EXPECT_NEAR(static_cast<double>(FramesOfChannel(3, fast, 12)), 200.0, 1.0);

    // Hold sends at the standard rate.
    net.Receive(ShortBroadcastFrame(4), 20001 * kMs);
    const auto hold = RunNetwork(net, 20002 * kMs, 30000 * kMs);
    EXPECT_NEAR(static_cast<double>(FramesOfChannel(3, hold, 12)), 50.0, 1.0);
}

TEST(SimPush, BlockFramesCarryFreshReadings) {
    for (BlockLayout layout : {BlockLayout::Record, BlockLayout::Fixed}) {
        NetworkConfig config = ConfigFor(0);
        config.layout = layout;
        Network net = MakeNetwork(config, {0, 1, 2, 3, 4, 5, 6, 7});
        const auto bytes = RunNetwork(net, Micros(0), 1000 * kMs);
        std::array<int, kGauges> fresh{};
        for (std::size_t at = 0; at + kBlockFrameLength <= bytes.size(); at += kBlockFrameLength) {
            const auto f = DecodeBlockFrame(std::span(bytes).subspan(at).first<kBlockFrameLength>());
            ASSERT_TRUE(f.has_value()) << "frame at " << at;
            for (std::size_t r = 0; r < f->count; ++r) {
                const bool isFresh =
                    layout == BlockLayout::Record ? f->readings[r].channel <= 15 : ((f->status >> r) & 1) != 0;
                if (isFresh) ++fresh[f->readings[r].channel];
            }
        }
        for (int c = 0; c < 8; ++c) EXPECT_EQ(fresh[static_cast<std::size_t>(c)], 5) << "channel " << c;
    }
}

TEST(SimFaults, LineFaults) {
    struct Case {
        const char* name;
        Faults faults;
        double minShare, maxShare;  // of the bytes a clean line carries
        bool framesDecode;
    };
    const Case cases[] = {
        {"clean", {}, 1.0, 1.0, true},
        {"noise, 200 bytes a second", {200, 0, 0, {}}, 1.0, 3.0, true},
        {"one byte in twenty dropped", {0, 0.05, 0, {}}, 0.92, 0.98, true},
        {"every check corrupted", {0, 0, 1.0, {}}, 1.0, 1.0, false},
    };
    std::size_t clean = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NetworkConfig config = ConfigFor(3);
        config.faults = c.faults;
        Network net = MakeNetwork(config, {0, 1, 2, 3});
        const auto bytes = RunNetwork(net, Micros(0), 10000 * kMs);
        if (clean == 0) clean = bytes.size();
        const double share = static_cast<double>(bytes.size()) / static_cast<double>(clean);
        EXPECT_GE(share, c.minShare);
        EXPECT_LE(share, c.maxShare);
        if (c.faults.noisePerSecond > 0) {
            EXPECT_NEAR(static_cast<double>(net.Stats().noiseBytes), 2000.0, 300.0);
        }
        EXPECT_EQ(!ChannelsOf(3, bytes).empty(), c.framesDecode);
    }
}

TEST(SimFaults, GaugeFallsSilentAndComesBack) {
    NetworkConfig config = ConfigFor(3);
    config.faults.silences.push_back({Bit(2), {2000 * kMs, 4000 * kMs}});
    Network net = MakeNetwork(config, {1, 2});
    std::vector<std::string> logged;
    net.log = [&](Micros, std::string_view text) { logged.emplace_back(text); };
    EXPECT_EQ(FramesOfChannel(3, RunNetwork(net, Micros(0), 1999 * kMs), 2), 10u);
    const auto during = RunNetwork(net, 2000 * kMs, 3999 * kMs);
    EXPECT_EQ(FramesOfChannel(3, during, 2), 0u);
    EXPECT_EQ(FramesOfChannel(3, during, 1), 10u);
    EXPECT_GE(FramesOfChannel(3, RunNetwork(net, 4000 * kMs, 5999 * kMs), 2), 9u);
    EXPECT_EQ(logged, (std::vector<std::string>{"channel 3 falls silent", "channel 3 is back"}));
}

TEST(SimLine, PacesBytesAtTenBitsEach) {
    Line line(9600);
    std::vector<uint8_t> out;
    line.Queue(std::vector<uint8_t>(3000, 0x55), Micros(0));
    line.TakeDue(Micros(1000000), out);
    EXPECT_EQ(out.size(), 960u);
    line.TakeDue(Micros(2000000), out);
    EXPECT_EQ(out.size(), 1920u);
    // An idle line starts again when the next bytes come, not in the past.
    Line idle(115200);
    idle.Queue(std::vector<uint8_t>(10, 1), Micros(0));
    idle.TakeDue(Micros(5000000), out);
    idle.Queue(std::vector<uint8_t>(2, 2), Micros(5000000));
    out.clear();
    idle.TakeDue(Micros(5000086), out);
    EXPECT_TRUE(out.empty());
    idle.TakeDue(Micros(5000174), out);
    EXPECT_EQ(out.size(), 2u);
}

// A full line keeps its rate: gauges that want more than it carries share it.
TEST(SimLine, SaturatedNetworkHoldsTheLineRate) {
    for (uint32_t baud : {9600u, 115200u}) {
        SCOPED_TRACE(baud);
        NetworkConfig config = ConfigFor(3, baud);
        config.standardRate = 100;  // 32 x 100 x 11 bytes: more than 115200 baud carries
        Network net(config);
        for (auto& g : net.gauges) g.present = true;
        RunNetwork(net, Micros(0), 999 * kMs);
        const auto second = RunNetwork(net, 1000 * kMs, 2000 * kMs);
        EXPECT_NEAR(static_cast<double>(second.size()), baud / 10.0, baud / 10.0 * 0.01);
    }
}

}  // namespace
}  // namespace vexla::sim
