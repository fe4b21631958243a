// The whole system on Linux: gaugesim on a pty linked as a COM port, the real
// library loaded by file name, a host polling it every 50 ms, the
// configuration file on disk. Each scenario runs in a child process of its own.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "end_to_end_posix.h"

namespace vexla::testing {
namespace {

namespace fs = std::filesystem;

// Channel indices of the gauges present (users number them 1, 2, 5, 7); two
// of them are 0.001 mm gauges. Groups 0 and 1 in the wireless format.
const std::vector<int> kPresent = {0, 1, 4, 6};
bool Present(int i) {
    return std::find(kPresent.begin(), kPresent.end(), i) != kPresent.end();
}

std::vector<std::string> SimArguments(int format, const std::string& com = "1") {
    return {
        "--format", std::to_string(format), "--channels", "1,2,5,7", "--kind", "5,7=0.001",  "--com", com, "--motion",
        "still",    "--position",           "1.234",      "--table", "0.2",    "--log-polls"};
}

// Waits for the simulator's link, loads the library and binds it.
#define START_HOST(sim, x)                                         \
    ASSERT_FALSE((sim).Pty().empty()) << "gaugesim did not start"; \
    Exports x(VEXLA_LIBRARY_FILE);                                 \
    ASSERT_TRUE(x.Loaded()) << x.Binding().Failure().Text()

// Sim lines from `from` on that contain `text`.
std::vector<SimLine> LinesWith(Gaugesim& sim, const std::string& text, std::size_t from = 0) {
    std::vector<SimLine> out;
    const auto lines = sim.Lines();
    for (std::size_t i = from; i < lines.size(); ++i)
        if (lines[i].text.find(text) != std::string::npos) out.push_back(lines[i]);
    return out;
}

bool EveryPresentChannelArrived(const Host& host) {
    return std::all_of(kPresent.begin(), kPresent.end(), [&](int i) { return host.EverUpdated(i); });
}

bool AbsentRatesAreZero(const Host& host) {
    for (int i = 0; i < 32; ++i)
        if (!Present(i) && host.Rates()[i] != 0) return false;
    return true;
}

// The last reading of every present channel matches what the simulator's
// gauges show; `slack` covers the rounding of the average (odd quotients go
// up by one) and, in the block format, the table's own rounding.
bool ValuesMatchTable(const Host& host, Gaugesim& sim, int32_t slack, std::string* why = nullptr) {
    const auto table = sim.LatestTable();
    for (int i : kPresent) {
        const auto shown = table.find(i + 1);
        const auto last = host.Last(i);
        if (shown == table.end() || !last) return false;
        if (std::abs(last->value - shown->second.Value()) > slack) {
            if (why)
                *why = "channel " + std::to_string(i + 1) + " value " + std::to_string(last->value) + ", gauge shows " +
                       std::to_string(shown->second.Value());
            return false;
        }
    }
    return true;
}

// Ticks until every present channel has a reading newer than `since`
// satisfying `ok`.
bool FreshReadings(Host& host, Clock::time_point since, const std::function<bool(int, const Host::Reading&)>& ok) {
    return host.TickUntil([&] {
        for (int i : kPresent) {
            const auto r = host.Last(i);
            if (!r || r->at <= since || !ok(i, *r)) return false;
        }
        return true;
    });
}

// After a hardware zero at `t0` (depth 1): no reading comes through the
// quiet period, then the gauges, zeroed, read 0.
void ExpectQuietPeriodThenZeroes(Host& host, Clock::time_point t0) {
    bool quietBroken = false;
    host.TickUntil([&] {
        const auto since = Clock::now() - t0;
        if (since > 300ms && since < 750ms && host.AnyUpdatedNow()) quietBroken = true;
        return since > 750ms;
    });
    EXPECT_FALSE(quietBroken) << "readings came through during the quiet period";
    EXPECT_TRUE(FreshReadings(host, t0 + 1s, [](int, const Host::Reading& r) { return r.value == 0; }));
}

// Commands and polls the simulator logged, in order.
struct Heard {
    double at;
    bool poll;
    std::string text;
};
std::vector<Heard> HeardSince(Gaugesim& sim, std::size_t from) {
    std::vector<Heard> out;
    const auto lines = sim.Lines();
    for (std::size_t i = from; i < lines.size(); ++i) {
        const auto& t = lines[i].text;
        if (t.rfind("poll of ", 0) == 0) out.push_back({lines[i].stamp, true, t});
        if (t.rfind("command code", 0) == 0 || t.rfind("channel zero frame", 0) == 0)
            out.push_back({lines[i].stamp, false, t});
    }
    return out;
}

// In the polled formats the driver stops polling channels that never
// answered after three passes; wait until the polls cover only the live ones.
void WaitForSteadyPolling(Host& host, Gaugesim& sim, const std::vector<std::string>& pass) {
    ASSERT_TRUE(host.TickUntil([&] {
        const auto heard = HeardSince(sim, 0);
        for (std::size_t i = 0; i + pass.size() <= heard.size(); ++i) {
            bool match = true;
            for (std::size_t k = 0; k < pass.size() && match; ++k) match = heard[i + k].text == pass[k];
            if (match) return true;
        }
        return false;
    })) << "polling never settled on the live channels";
}

// ---------------------------------------------------------------------------

class EveryFormat : public ::testing::TestWithParam<int> {};

// Connecting by the first data call, readings against the gauges, software
// zeroes and the file's reference keys, for one format.
TEST_P(EveryFormat, ReadingsAndSoftwareZero) {
    const int format = GetParam();
    RunIsolated([format](const std::string& home) {
        const std::string file = ConfigFile(home);
        // The default file of a first connect asks for format 2; the others
        // come from a file written beforehand with nothing but the format.
        if (format != 2) WriteConfig(file, {"[硬件类型]", "数据格式=" + std::to_string(format)});
        Gaugesim sim(SimArguments(format));
        START_HOST(sim, x);
        Host host(x);

        host.Tick();  // connects with the file's port, COM1
        ASSERT_TRUE(fs::exists(file));
        EXPECT_EQ(ConfigValue(file, "数据格式"), std::to_string(format));
        if (format == 2) {
            EXPECT_EQ(ConfigValue(file, "串口编号"), "1");
        }

        std::string why;
        const int32_t slack = format == 0 ? 6 : 1;
        EXPECT_TRUE(host.TickUntil([&] {
            return EveryPresentChannelArrived(host) && AbsentRatesAreZero(host) &&
                   ValuesMatchTable(host, sim, slack, &why);
        })) << why;
        for (int i = 0; i < 32; ++i) {
            EXPECT_EQ(host.EverUpdated(i), Present(i)) << "channel " << i + 1;
            if (Present(i)) {
                EXPECT_GT(host.Rates()[i], 0) << "channel " << i + 1;
            }
        }

        if (format <= 1) {
            // No relative mode without StartPoint: displacements stay 0 and a
            // software zero writes nothing.
            for (int i : kPresent) {
                EXPECT_EQ(host.Last(i)->displacement, 0) << "channel " << i + 1;
            }
            const std::string before = ReadFile(file);
            x.SetDataZero();
            x.SetDataZeroCh(1);
            host.TickFor(1s);
            EXPECT_EQ(ReadFile(file), before);
            return;
        }

        // A fresh file's references are 0, so the displacement is the
        // gauge's position count.
        const auto table = sim.LatestTable();
        std::map<int, int32_t> position;
        for (int i : kPresent) {
            position[i] = host.Last(i)->displacement;
            EXPECT_NEAR(position[i], table.at(i + 1).position, 1) << "channel " << i + 1;
            EXPECT_NE(position[i], 0);
        }

        auto t = Clock::now();
        x.SetDataZeroCh(1);
        EXPECT_TRUE(FreshReadings(host, t, [&](int i, const Host::Reading& r) {
            return i == 1 ? std::abs(r.displacement) <= 1 : r.displacement == position[i];
        })) << "only channel 2 is zeroed";
        // Written at once: the file holds the captured position.
        EXPECT_TRUE(host.TickUntil([&] { return ConfigValue(file, ReferenceKey(1)).value_or("") != "0"; }));
        EXPECT_NEAR(std::stoi(ConfigValue(file, ReferenceKey(1)).value_or("0")), position[1], 1);
        for (int i : {0, 2, 4, 31}) EXPECT_EQ(ConfigValue(file, ReferenceKey(i)), "0") << "key of channel " << i + 1;

        t = Clock::now();
        x.SetDataZero();
        EXPECT_TRUE(FreshReadings(host, t, [](int, const Host::Reading& r) { return std::abs(r.displacement) <= 1; }));
        EXPECT_TRUE(host.TickUntil([&] {
            for (int i : kPresent)
                if (ConfigValue(file, ReferenceKey(i)).value_or("0") == "0") return false;
            return true;
        })) << ReadFile(file);
        for (int i = 0; i < 32; ++i) {
            const int32_t stored = std::stoi(ConfigValue(file, ReferenceKey(i)).value_or("-1"));
            if (Present(i)) {
                EXPECT_NEAR(stored, position[i], 1) << "key of channel " << i + 1;
            } else {
                EXPECT_EQ(stored, 0) << "key of channel " << i + 1;
            }
        }
        EXPECT_EQ(ConfigValue(file, "数据格式"), std::to_string(format)) << "only the reference keys change";
    });
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryFormat, ::testing::Values(0, 1, 2, 3, 4));

// ---------------------------------------------------------------------------
// A gauge swinging slowly through its position counter's zero, both ways:
// the counter runs round there, the displacement must not.

class CounterWrap : public ::testing::TestWithParam<int> {};

TEST_P(CounterWrap, DisplacementStaysSmallAndSteadyThroughTheCountersZero) {
    const int format = GetParam();
    RunIsolated([format](const std::string& home) {
        if (format != 2) WriteConfig(ConfigFile(home), {"[硬件类型]", "数据格式=" + std::to_string(format)});
        // +-0.1 mm around the counter's zero, 3 s a swing.
        Gaugesim sim({"--format", std::to_string(format), "--channels", "1", "--com", "1", "--motion", "sine",
                      "--position", "0", "--amplitude", "0.1", "--period", "3"});
        START_HOST(sim, x);
        Host host(x);
        host.Tick();
        x.SetFilter(1);
        ASSERT_TRUE(host.TickUntil([&] { return host.EverUpdated(0); }));
        // The push formats report displacements from where relative mode
        // starts; the others from the file's reference, 0.
        if (format <= 1) x.StartPoint(1);
        host.TickFor(200ms);

        // Whether the swing passed the counter's zero shows in the gauge's own
        // value; the displacement of the push formats counts from wherever
        // the swing was when relative mode began.
        std::vector<int32_t> seen, values;
        const auto until = Clock::now() + 6500ms;
        host.TickUntil([&] {
            if (host.UpdatedNow(0)) {
                seen.push_back(host.Block().displacement[0]);
                values.push_back(host.Block().value[0]);
            }
            return Clock::now() > until;
        });
        ASSERT_GE(seen.size(), 12u);
        const auto [lowValue, highValue] = std::minmax_element(values.begin(), values.end());
        EXPECT_LT(*lowValue, -30) << "the gauge went below its counter's zero";
        EXPECT_GT(*highValue, 30) << "and above it";
        const auto [low, high] = std::minmax_element(seen.begin(), seen.end());
        EXPECT_GT(*high - *low, 60) << "the displacement followed the swing";
        EXPECT_LE(*high - *low, 420) << "0.2 mm of travel, 0.001 mm a unit";
        for (std::size_t k = 1; k < seen.size(); ++k)
            ASSERT_LE(std::abs(seen[k] - seen[k - 1]), 250)
                << "jump at reading " << k << ": " << seen[k - 1] << " to " << seen[k];
    });
}

INSTANTIATE_TEST_SUITE_P(Formats, CounterWrap, ::testing::Values(0, 1, 2, 3, 4));

// ---------------------------------------------------------------------------
// Hardware commands as the simulator hears them.

// Formats 0 and 1: one broadcast at once, then a quiet second in which the
// driver discards what arrives; no per-channel zero exists.
class PushedBroadcast : public ::testing::TestWithParam<int> {};

TEST_P(PushedBroadcast, HardwareZeroIsOneBroadcastFollowedByQuiet) {
    const int format = GetParam();
    RunIsolated([format](const std::string& home) {
        WriteConfig(ConfigFile(home), {"[硬件类型]", "数据格式=" + std::to_string(format)});
        Gaugesim sim(SimArguments(format));
        START_HOST(sim, x);
        Host host(x);
        ASSERT_TRUE(host.TickUntil([&] { return EveryPresentChannelArrived(host); }));
        EXPECT_EQ(x.SetFilter(1), 1);  // so the quiet period shows at once (the connect read the file's depth)

        const std::size_t mark = sim.Lines().size();
        x.SetHardWareZeroCh(1);
        const auto t0 = Clock::now();
        x.SetHardWareZero();
        x.CtrlFirmWare(4);  // inside the quiet period: dropped
        ExpectQuietPeriodThenZeroes(host, t0);
        const auto heard = HeardSince(sim, mark);
        std::vector<std::string> commands;
        for (const auto& h : heard)
            if (!h.poll) commands.push_back(h.text);
        ASSERT_EQ(commands.size(), 1u) << "one broadcast, no per-channel zero, nothing in the quiet period";
        EXPECT_EQ(commands[0].rfind("command code 2 (fast state, zero) for all gauges", 0), 0u) << commands[0];
        EXPECT_TRUE(heard.empty() || heard.size() == 1) << "nothing is polled in a pushing format";

        // After the quiet period a command goes out again.
        x.CtrlFirmWare(0x104);
        EXPECT_TRUE(sim.WaitFor("command code 4 (hold state) for all gauges", mark).has_value());
    });
}

INSTANTIATE_TEST_SUITE_P(Formats, PushedBroadcast, ::testing::Values(0, 1));

// Format 3: the broadcast at once; channel zero frames one per ten ticks.
TEST(HardwareCommands, GeneralPushedChannelZeroFramesTenTicksApart) {
    RunIsolated([](const std::string& home) {
        WriteConfig(ConfigFile(home), {"[硬件类型]", "数据格式=3"});
        Gaugesim sim(SimArguments(3));
        START_HOST(sim, x);
        Host host(x);
        ASSERT_TRUE(host.TickUntil([&] { return EveryPresentChannelArrived(host); }));

        std::size_t mark = sim.Lines().size();
        x.SetHardWareZeroCh(0);
        x.SetHardWareZeroCh(4);
        x.SetHardWareZeroCh(40);  // no such channel
        ASSERT_TRUE(host.TickUntil([&] { return LinesWith(sim, "channel zero frame", mark).size() >= 2; }));
        host.TickFor(700ms);
        auto zeros = LinesWith(sim, "channel zero frame", mark);
        ASSERT_EQ(zeros.size(), 2u);
        EXPECT_EQ(zeros[0].text, "channel zero frame code 2 (fast state, zero) for channel 1: obeyed by 1");
        EXPECT_EQ(zeros[1].text, "channel zero frame code 2 (fast state, zero) for channel 5: obeyed by 5");
        EXPECT_GE(zeros[1].stamp - zeros[0].stamp, 0.45) << "one channel zero frame per ten ticks";

        mark = sim.Lines().size();
        x.SetFilter(1);
        const auto t0 = Clock::now();
        x.SetHardWareZero();
        x.SetHardWareZero();  // quiet period
        ExpectQuietPeriodThenZeroes(host, t0);
        const auto commands = LinesWith(sim, "command code", mark);
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].text.rfind("command code 2 (fast state, zero) for all gauges", 0), 0u);
    });
}

// Format 2: a command stops the polls, waits out the pacing, then goes to
// each live channel, one per tick; polling resumes afterwards.
TEST(HardwareCommands, GeneralPolledCommandsWaitForThePacing) {
    RunIsolated([](const std::string&) {
        Gaugesim sim(SimArguments(2));
        START_HOST(sim, x);
        Host host(x);
        WaitForSteadyPolling(host, sim,
                             {"poll of channel 1", "poll of channel 2", "poll of channel 5", "poll of channel 7"});

        std::size_t mark = sim.Lines().size();
        x.SetHardWareZero();
        x.CtrlFirmWare(3);  // quiet period: dropped
        ASSERT_TRUE(host.TickUntil([&] { return LinesWith(sim, "command code", mark).size() >= 4; }));
        ASSERT_TRUE(sim.WaitFor("poll of channel", sim.Lines().size() - 1).has_value()) << "polling resumes";
        host.TickFor(1200ms);  // past the quiet period, and room for a wrong extra command

        const auto heard = HeardSince(sim, 0);  // no command before this one
        std::vector<Heard> commands;
        std::size_t first = heard.size(), last = 0;
        for (std::size_t i = 0; i < heard.size(); ++i) {
            if (heard[i].poll) continue;
            commands.push_back(heard[i]);
            first = std::min(first, i);
            last = i;
        }
        ASSERT_EQ(commands.size(), 4u) << "one command per live channel, the second call dropped";
        const char* expected[] = {"channel 1: obeyed by 1", "channel 2: obeyed by 2", "channel 5: obeyed by 5",
                                  "channel 7: obeyed by 7"};
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(commands[k].text, std::string("command code 2 (fast state, zero) for ") + expected[k]);
            if (k > 0) {
                EXPECT_GE(commands[k].at - commands[k - 1].at, 0.035) << "one command per tick";
            }
        }
        ASSERT_GT(first, 0u) << "a poll precedes the commands";
        EXPECT_TRUE(heard[first - 1].poll);
        EXPECT_GE(commands[0].at - heard[first - 1].at, 0.45) << "the command waits ten ticks after the last poll";
        EXPECT_LT(commands[0].at - heard[first - 1].at, 3.0);
        EXPECT_LT(last + 1, heard.size()) << "polling resumes";

        mark = sim.Lines().size();
        x.CtrlFirmWare(0x101);  // low byte: 1
        x.SetHardWareZeroCh(4);
        ASSERT_TRUE(host.TickUntil([&] { return LinesWith(sim, "command code", mark).size() >= 4; }));
        host.TickFor(500ms);
        const auto later = LinesWith(sim, "command code", mark);
        ASSERT_EQ(later.size(), 4u) << "one command per live channel";
        EXPECT_EQ(later[0].text, "command code 1 (standard state) for channel 1: obeyed by 1");
        EXPECT_EQ(later[1].text, "command code 1 (standard state) for channel 2: obeyed by 2");
        EXPECT_EQ(later[2].text, "command code 2 (fast state, zero) for channel 5: obeyed by 5")
            << "the channel's zero replaces what was pending for it";
        EXPECT_EQ(later[3].text, "command code 1 (standard state) for channel 7: obeyed by 7");
    });
}

// Format 4: one wireless command for the whole network after the pacing.
TEST(HardwareCommands, WirelessCommandIsOneFrameAfterThePacing) {
    RunIsolated([](const std::string& home) {
        WriteConfig(ConfigFile(home), {"[硬件类型]", "数据格式=4"});
        Gaugesim sim(SimArguments(4));
        START_HOST(sim, x);
        Host host(x);
        WaitForSteadyPolling(host, sim, {"poll of group 0", "poll of group 1"});
        host.TickFor(300ms);

        x.SetHardWareZeroCh(4);
        ASSERT_TRUE(host.TickUntil([&] { return !LinesWith(sim, "command code").empty(); }));
        ASSERT_TRUE(sim.WaitFor("poll of group", sim.Lines().size() - 1).has_value()) << "polling resumes";
        host.TickFor(600ms);
        const auto heard = HeardSince(sim, 0);
        std::size_t at = 0;
        int commands = 0;
        for (std::size_t i = 0; i < heard.size(); ++i)
            if (!heard[i].poll) {
                ++commands;
                at = i;
            }
        ASSERT_EQ(commands, 1);
        EXPECT_EQ(heard[at].text.rfind("command code 2 (fast state, zero) for all gauges", 0), 0u) << heard[at].text;
        ASSERT_GT(at, 0u);
        EXPECT_GE(heard[at].at - heard[at - 1].at, 0.45) << "the command waits ten ticks after the last poll";
        // The gauges zeroed in hardware; their position counts, and so the
        // displacements, stay.
        const auto t0 = Clock::now();
        EXPECT_TRUE(
            FreshReadings(host, t0, [](int, const Host::Reading& r) { return r.value == 0 && r.displacement != 0; }));
    });
}

// ---------------------------------------------------------------------------
// The link.

// The line goes away and comes back on a new pty under the same COM link:
// the watchdog's reopen finds it and the readings resume.
TEST(Link, SilentLineIsReopenedAndReadingsResume) {
    RunIsolated([](const std::string& home) {
        // COM9: while the line is away its link is gone, and a reopen must
        // not find a real port in its place (COM1 would be /dev/ttyS0).
        WriteConfig(ConfigFile(home), {"[硬件类型]", "数据格式=3", "[通讯设置]", "串口编号=9"});
        auto args = SimArguments(3, "9");
        args.insert(args.end(), {"--line-down", "1.5+0.2"});
        Gaugesim sim(args);
        START_HOST(sim, x);
        Host host(x);
        ASSERT_TRUE(host.TickUntil([&] { return EveryPresentChannelArrived(host); }));
        ASSERT_TRUE(sim.WaitFor("line down").has_value());
        const auto back = sim.WaitFor("pty: ", 1);
        ASSERT_TRUE(back.has_value());
        const auto since = sim.Lines()[*back].seen;
        EXPECT_TRUE(FreshReadings(host, since, [](int, const Host::Reading&) { return true; }))
            << "no readings from the new pty";
        for (int i = 0; i < 32; ++i) EXPECT_NE(host.Rates()[i], -1) << "the link stays open";
        EXPECT_EQ(ReadFile(home + "/stderr.txt"), "") << "a reopen that works is not reported";
    });
}

// The device goes for good: the reopen fails, the link closes with a beep,
// and the host sees no rates and no data.
TEST(Link, VanishedDeviceClosesTheLink) {
    RunIsolated([](const std::string& home) {
        // COM3: without its link it resolves to a ttyS that does not exist.
        WriteConfig(ConfigFile(home), {"[硬件类型]", "数据格式=3", "[通讯设置]", "串口编号=3"});
        Gaugesim sim(SimArguments(3, "3"));
        const auto ptys = OpenPtys();
        START_HOST(sim, x);
        Host host(x);
        ASSERT_TRUE(host.TickUntil([&] { return EveryPresentChannelArrived(host); }));
        sim.Stop();
        EXPECT_TRUE(host.TickUntil([&] {
            return std::all_of(host.Rates(), host.Rates() + 32, [](int32_t r) { return r == -1; });
        })) << "the link was never closed";
        EXPECT_TRUE(host.TickUntil([&] { return ReadFile(home + "/stderr.txt").find('\a') != std::string::npos; }))
            << "no beep";
        host.TickFor(300ms);
        EXPECT_FALSE(host.AnyUpdatedNow());
        EXPECT_EQ(OpenPtys(), ptys) << "the port is still open";
    });
}

TEST(Link, MissingPortFailsWithTheMessage) {
    RunIsolated([](const std::string& home) {
        // The COM5 link leads nowhere.
        fs::create_directories(home + "/.config/vexla/dosdevices");
        fs::create_symlink(home + "/no-such-pty", home + "/.config/vexla/dosdevices/com5");
        WriteConfig(ConfigFile(home), {"[通讯设置]", "串口编号=0"});
        const std::string trace = home + "/trace.txt";
        setenv("VEXLA_TRACE", trace.c_str(), 1);
        Exports x(VEXLA_LIBRARY_FILE);
        ASSERT_TRUE(x.Loaded());
        EXPECT_EQ(x.ConnectComm(19200, 5), 0);
        const std::string err = ReadFile(home + "/stderr.txt");
        EXPECT_NE(err.find("Vexla: 串口 Com5 已经被其它\r\n程序占用,不能打开"), std::string::npos) << err;
        // The reason behind the message, with the system's error (ENOENT).
        const std::string traced = ReadFile(trace);
        EXPECT_NE(traced.find("connect: COM5 did not open: Error opening serial port (OS error 2)"), std::string::npos)
            << traced;
        Host host(x);
        host.TickFor(300ms);
        for (int i = 0; i < 32; ++i) EXPECT_EQ(host.Rates()[i], -1);
        EXPECT_FALSE(host.AnyUpdatedNow());
        x.DLL_End_Application();
    });
}

// ---------------------------------------------------------------------------
// Segments and the end of the application.

TEST(Library, SegmentChoosesTheFile) {
    RunIsolated([](const std::string& home) {
        WriteConfig(ConfigFile(home, 7), {"[硬件类型]", "数据格式=3", "[通讯设置]", "串口编号=2"});
        Gaugesim sim(SimArguments(3, "2"));
        START_HOST(sim, x);
        EXPECT_EQ(x.SetNetSegment(7), -1);
        Host host(x);
        EXPECT_TRUE(host.TickUntil([&] { return EveryPresentChannelArrived(host); }))
            << "segment 7's file (format 3 on COM2) was not used";
        EXPECT_EQ(x.SetNetSegment(3), 0) << "too late once connected";
        EXPECT_FALSE(fs::exists(ConfigFile(home, 0)));
        EXPECT_FALSE(fs::exists(ConfigFile(home, 3)));
        x.SetDataZeroCh(0);
        EXPECT_TRUE(host.TickUntil([&] { return ConfigValue(ConfigFile(home, 7), ReferenceKey(0)) != "0"; }));
    });
}

TEST(Library, EndLeavesNothingBehind) {
    RunIsolated([](const std::string&) {
        Gaugesim sim(SimArguments(2));
        ASSERT_FALSE(sim.Pty().empty());
        const int threads = ThreadCount();
        const auto ptys = OpenPtys();
        const auto descriptors = std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
        {
            Exports x(VEXLA_LIBRARY_FILE);
            ASSERT_TRUE(x.Loaded());
            Host host(x);
            ASSERT_TRUE(host.TickUntil([&] { return EveryPresentChannelArrived(host); }));
            EXPECT_GT(ThreadCount(), threads);
            EXPECT_GT(OpenPtys().size(), ptys.size());
            x.DLL_End_Application();
            // No export after the last call: a data call would connect again.
            const auto deadline = Clock::now() + 5s;
            while (ThreadCount() != threads && Clock::now() < deadline) std::this_thread::sleep_for(10ms);
            EXPECT_EQ(ThreadCount(), threads);
            EXPECT_EQ(OpenPtys(), ptys) << "the port is still open";
        }  // dlclose
        EXPECT_EQ(ThreadCount(), threads);
        EXPECT_EQ(OpenPtys(), ptys);
        // The library is really unloaded, and with it every descriptor it made.
        EXPECT_EQ(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()), descriptors);
        std::ifstream maps("/proc/self/maps");
        const std::string mapped((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
        EXPECT_EQ(mapped.find("libVexla.so"), std::string::npos);
    });
}

}  // namespace
}  // namespace vexla::testing
