// The command line: good arguments give the options they name, bad ones a
// message that says what is wrong.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options.h"

namespace vexla::sim {
namespace {

ParsedCommandLine<Options> Parse(std::vector<std::string_view> args) {
    return ParseArguments(args);
}

TEST(SimOptions, RejectsBadArgumentsWithAMessage) {
    struct Case {
        std::vector<std::string_view> args;
        const char* message;
    };
    const Case cases[] = {
        {{}, "--format is required"},
        {{"--format"}, "needs a value"},
        {{"--format", "5"}, "expected 0..4"},
        {{"--format", "2x"}, "expected 0..4"},
        {{"--format", "3", "--channels", "0-4"}, "channels 1..32"},
        {{"--format", "3", "--channels", "1-33"}, "channels 1..32"},
        {{"--format", "3", "--channels", "8-1"}, "channels 1..32"},
        {{"--format", "3", "--channels", "1,,2"}, "channels 1..32"},
        {{"--format", "3", "--channels", ""}, "channels 1..32"},
        {{"--format", "3", "--baud", "12345"}, "115200"},
        {{"--format", "3", "--kind", "0.1"}, "0.01 or 0.001"},
        {{"--format", "3", "--kind", "40=0.01"}, "0.01 or 0.001"},
        {{"--format", "3", "--motion", "jump"}, "still, ramp"},
        {{"--format", "3", "--motion", "script"}, "needs --script"},
        {{"--format", "3", "--script", "1,x"}, "positions"},
        {{"--format", "3", "--period", "0"}, "seconds"},
        {{"--format", "3", "--amplitude", "nan"}, "millimetres"},
        {{"--format", "3", "--position", "0-2=1"}, "[CHANNELS=]millimetres"},
        {{"--format", "3", "--position", "2=x"}, "[CHANNELS=]millimetres"},
        {{"--format", "3", "--fast-rate", "inf"}, "readings per second"},
        {{"--format", "3", "--drop", "1.5"}, "fraction"},
        {{"--format", "3", "--silence", "3@5"}, "CHANNELS@START+SECONDS"},
        {{"--format", "3", "--silence", "@5+1"}, "CHANNELS@START+SECONDS"},
        {{"--format", "3", "--line-down", "-1+2"}, "START+SECONDS"},
        {{"--format", "3", "--com", "0"}, "1..256"},
        {{"--format", "3", "--state", "asleep"}, "fast, standard or hold"},
        {{"--format", "3", "--layout", "fixed"}, "format 0 only"},
        {{"--format", "0", "--channels", "1-17"}, "channels 1-16 only"},
        {{"--format", "0", "--layout", "fixed", "--channels", "9"}, "channels 1-8 only"},
        {{"--format", "3", "--device", "/dev/ttyS0", "--com", "2"}, "do not go with --device"},
        {{"--format", "3", "--frobnicate", "1"}, "unknown option --frobnicate"},
        {{"--format", "3", "extra"}, "unexpected argument 'extra'"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (auto a : c.args) joined += std::string(a) + ' ';
        SCOPED_TRACE(joined);
        const auto p = Parse(c.args);
        ASSERT_FALSE(p.Ok());
        EXPECT_NE(p.Failure().reason.find(c.message), std::string::npos) << p.Failure().reason;
    }
}

TEST(SimOptions, ReadsWhatItIsGiven) {
    const auto p =
        Parse({"--format",  "4",           "--channels", "1-3,12,32", "--baud",       "115200",   "--kind",
               "0.001",     "--kind",      "2=0.01",     "--motion",  "ramp",         "--motion", "12,32=script",
               "--script",  "0,1.5,-2",    "--speed",    "2",         "--turnaround", "7.5",      "--silence",
               "2-3@1.5+2", "--line-down", "10+0.5",     "--corrupt", "0.25",         "--state",  "fast",
               "--com",     "7",           "--table",    "0.5",       "--duration",   "3",        "--log-polls"});
    ASSERT_TRUE(p.Ok()) << p.Failure().reason;
    const Options& o = p->options;
    EXPECT_EQ(o.network.format, 4);
    EXPECT_EQ(o.channels, 0b111u | 1u << 11 | 1u << 31);
    EXPECT_EQ(o.network.baud, 115200u);
    EXPECT_EQ(o.kinds[0], GaugeKind::Thousandth);
    EXPECT_EQ(o.kinds[1], GaugeKind::Hundredth);
    EXPECT_EQ(o.motions[0].kind, MotionKind::Ramp);
    EXPECT_EQ(o.motions[11].kind, MotionKind::Script);
    EXPECT_EQ(o.motions[31].scriptMm, (std::vector<double>{0, 1.5, -2}));
    EXPECT_EQ(o.motions[0].speedMmPerS, 2);
    EXPECT_EQ(o.network.turnaround, Micros(7500));
    ASSERT_EQ(o.network.faults.silences.size(), 1u);
    EXPECT_EQ(o.network.faults.silences[0].channels, 0b110u);
    EXPECT_EQ(o.network.faults.silences[0].when.from, Micros(1500000));
    EXPECT_EQ(o.network.faults.silences[0].when.until, Micros(3500000));
    ASSERT_EQ(o.lineDown.size(), 1u);
    EXPECT_EQ(o.lineDown[0].until, Micros(10500000));
    EXPECT_EQ(o.network.faults.corruptFraction, 0.25);
    EXPECT_EQ(o.initialState, GaugeState::Fast);
    EXPECT_EQ(o.com, 7);
    EXPECT_TRUE(o.network.logPolls);

    const auto defaults = Parse({"--format", "2"});
    ASSERT_TRUE(defaults.Ok());
    EXPECT_FALSE(defaults->help);
    EXPECT_EQ(defaults->options.channels, 0xFFu);
    EXPECT_EQ(defaults->options.network.baud, 19200u);
    EXPECT_EQ(defaults->options.motions[5].kind, MotionKind::Sine);

    // A position for all gauges, then for some: the later word wins for its channels.
    const auto positions = Parse({"--format", "3", "--position", "1.5", "--position", "2,4=-0.25", "--amplitude", "2"});
    ASSERT_TRUE(positions.Ok()) << positions.Failure().reason;
    EXPECT_EQ(positions->options.motions[0].offsetMm, 1.5);
    EXPECT_EQ(positions->options.motions[1].offsetMm, -0.25);
    EXPECT_EQ(positions->options.motions[3].offsetMm, -0.25);
    EXPECT_EQ(positions->options.motions[3].amplitudeMm, 2);
    EXPECT_EQ(positions->options.motions[31].offsetMm, 1.5);

    const auto help = Parse({"--format", "9", "--help"});
    ASSERT_TRUE(help.Ok());
    EXPECT_TRUE(help->help);
}

}  // namespace
}  // namespace vexla::sim
