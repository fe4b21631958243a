// kestrow's command line: what each option sets, and the one message for
// anything it does not take.

#include "monitor/terminal/kestrow_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexla::monitor::terminal {
namespace {

ParsedCommandLine<KestrowOptions> Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "kestrow");
    return ParseKestrowOptions(static_cast<int>(args.size()), args.data());
}

TEST(KestrowOptions, ReadsEachOption) {
    const auto parsed = Parse({"--library", "lib.so", "--segment", "255", "--limits", "l.csv", "--seconds", "2.5"});
    ASSERT_TRUE(parsed.Ok()) << parsed.Failure().reason;
    EXPECT_FALSE(parsed->help);
    EXPECT_EQ(parsed->options.library, "lib.so");
    EXPECT_EQ(parsed->options.segment, 255u);
    EXPECT_EQ(parsed->options.limits, "l.csv");
    EXPECT_EQ(parsed->options.run.seconds, 2.5);

    const auto defaults = Parse({});
    ASSERT_TRUE(defaults.Ok());
    EXPECT_EQ(defaults->options.segment, MonitorModel::kDefaultSegment);
    EXPECT_FALSE(defaults->options.limits);
    EXPECT_EQ(defaults->options.run.seconds, 0);
}

TEST(KestrowOptions, HelpOrOneMessageInOrder) {
    struct Case {
        std::vector<const char*> args;
        const char* error;  // null: the usage is asked for
    };
    const Case cases[] = {
        {{"--help", "--frobnicate"}, nullptr},
        {{"--seconds", "1", "-h"}, nullptr},
        {{"--frobnicate", "--help"}, "bad argument --frobnicate"},
        {{"--segment", "256"}, "bad argument --segment"},
        {{"--segment", "1.5"}, "bad argument --segment"},
        {{"--segment", "-1"}, "bad argument --segment"},
        {{"--segment"}, "bad argument --segment"},
        {{"--seconds", "nan"}, "bad argument --seconds"},
        {{"--seconds", "5s"}, "bad argument --seconds"},
        {{"--library"}, "bad argument --library"},
        {{"lib.so"}, "bad argument lib.so"},
    };
    for (const Case& c : cases) {
        const auto parsed = Parse(c.args);
        SCOPED_TRACE(c.args.front());
        if (c.error == nullptr) {
            ASSERT_TRUE(parsed.Ok()) << parsed.Failure().reason;
            EXPECT_TRUE(parsed->help);
        } else {
            ASSERT_FALSE(parsed.Ok());
            EXPECT_EQ(parsed.Failure().reason, c.error);
        }
    }
}

}  // namespace
}  // namespace vexla::monitor::terminal
