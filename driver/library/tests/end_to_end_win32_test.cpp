// The whole driver on Windows: the real Vexla.dll, loaded with LoadLibrary
// on this thread, which pumps its messages like a GUI host, against gaugesim
// on a pty that Wine maps as a COM port. wine_end_to_end.py starts and kills
// gaugesim when we ask on stdout and hands its log back on stdin. Each test
// runs in a process of its own, so each one meets a freshly loaded library.

#include "wine_end_to_end.h"

namespace vexla::wine {
namespace {

// ---- values of every gauge, in every data format

struct FormatCase {
    const char* name;
    int format;
    int port;
    int segment;
    std::vector<int> channels;  // the gauges present
    int fine;                   // the one 0.001 mm gauge among them
    const char* position;       // every gauge stands still here (mm)
    int32_t value;              // what a 0.01 mm gauge's value should be
    int32_t fineValue;          // and the 0.001 mm gauge's
    int32_t displacement;       // from the file's reference 0; formats 0 and 1 report none
    int32_t tolerance;          // averaging rounds odd means up; the formats quantise
};

// Values are tenths of the last shown digit: 0.01 mm gauges show 1.23 at
// 1.234 mm (1230), 0.001 mm gauges 1.234 (12340). Block frames carry a
// finer count than the shown digit; text frames carry no position.
const FormatCase kFormats[] = {
    {"Format0", 0, 21, 40, {2, 7, 16}, 7, "-2.714", -2714, -27140, 0, 3},
    {"Format1", 1, 22, 41, {3, 9, 30}, 9, "-2.714", -2710, -27140, 0, 1},
    {"Format2", 2, 23, 42, {1, 5, 17, 32}, 17, "1.234", 1230, 12340, 1234, 1},
    {"Format3", 3, 24, 43, {1, 5, 17, 32}, 17, "1.234", 1230, 12340, 1234, 1},
    {"Format4", 4, 25, 44, {6, 20, 31}, 20, "1.234", 1230, 12340, 1234, 3},
};

void PrintTo(const FormatCase& c, std::ostream* out) {
    *out << c.name;
}

class WineDataEndToEnd : public WineEndToEnd, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(WineDataEndToEnd, FirstDataCallOpensTheFilesPortAndEveryGaugeArrives) {
    const FormatCase& c = GetParam();
    std::array<bool, 32> present{};
    std::string list;
    for (int n : c.channels) {
        present[n - 1] = true;
        list += (list.empty() ? "" : ",") + std::to_string(n);
    }
    ASSERT_NO_FATAL_FAILURE(UseSegment(c.segment, Settings(c.format, c.port)));
    ASSERT_NO_FATAL_FAILURE(StartSimulator("--format " + std::to_string(c.format) + " --com " + std::to_string(c.port) +
                                           " --channels " + list + " --kind " + std::to_string(c.fine) +
                                           "=0.001 --motion still --position " + c.position));
    ASSERT_NO_FATAL_FAILURE(FirstDataCall());

    const auto wanted = [&](int i) {
        const bool fine = i == c.fine - 1;
        return std::array<int32_t, 3>{fine ? c.fineValue : c.value, fine ? c.displacement * 10 : c.displacement,
                                      fine ? c.tolerance * 10 : c.tolerance};
    };
    const auto channelMatches = [&](int i) {
        const ChannelView& v = readings.channel[i];
        const auto [value, displacement, tolerance] = wanted(i);
        return v.updated && v.rate > 0 && std::abs(v.value - value) <= tolerance &&
               std::abs(v.displacement - displacement) <= tolerance;
    };
    PumpUntil([&] {
        readings.Take(vexla);
        for (int i = 0; i < 32; ++i)
            if (present[i] && !channelMatches(i)) return false;
        return true;
    });

    for (int i = 0; i < 32; ++i) {
        const ChannelView& v = readings.channel[i];
        if (present[i]) {
            EXPECT_TRUE(channelMatches(i))
                << "channel " << i + 1 << ": updated " << v.updated << " value " << v.value << " (want " << wanted(i)[0]
                << ") displacement " << v.displacement << " (want " << wanted(i)[1] << ") rate " << v.rate;
        } else {
            EXPECT_FALSE(v.updated) << "absent channel " << i + 1 << " has data";
            EXPECT_EQ(v.rate, 0) << "absent channel " << i + 1;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, WineDataEndToEnd, ::testing::ValuesIn(kFormats),
                         [](const ::testing::TestParamInfo<FormatCase>& p) { return p.param.name; });

// ---- hardware commands, as gaugesim hears them

TEST_F(WineEndToEnd, BroadcastCommandsWaitOutTheQuietPeriodAndChannelZeroReachesItsGauge) {
    ASSERT_NO_FATAL_FAILURE(UseSegment(45, Settings(3, 8)));
    ASSERT_NO_FATAL_FAILURE(StartSimulator("--format 3 --com 8 --channels 1-4 --motion still"));
    ASSERT_NO_FATAL_FAILURE(FirstDataCall());
    ASSERT_TRUE(PumpUntilEveryChannelReads({1, 2, 3, 4}));

    vexla.SetHardWareZero();
    vexla.CtrlFirmWare(1);  // inside the quiet period: dropped
    ASSERT_TRUE(PumpUntilLogged("command code 2 (fast state, zero) for all gauges")) << Dump(simulator.Log());
    // Asked again and again until one lands: only after the quiet period.
    auto asked = Clock::now() - 1s;
    ASSERT_TRUE(PumpUntil([&] {
        if (!Matching(simulator.Log(), "command code 4 ").empty()) return true;
        if (Clock::now() - asked > 200ms) {
            vexla.CtrlFirmWare(0x104);  // only the low byte counts
            asked = Clock::now();
        }
        return false;
    }));
    vexla.SetHardWareZeroCh(2);
    ASSERT_TRUE(PumpUntilLogged("channel zero frame")) << Dump(simulator.Log());

    const auto log = simulator.Log();
    const auto zero = Matching(log, "command code 2 (fast state, zero) for all gauges: obeyed by 1-4");
    const auto hold = Matching(log, "command code 4 (hold state) for all gauges: obeyed by 1-4");
    ASSERT_EQ(zero.size(), 1u) << Dump(log);
    ASSERT_EQ(hold.size(), 1u) << Dump(log);
    EXPECT_GE(hold[0].seconds - zero[0].seconds, 0.9) << "20 ticks of quiet after a command\n" << Dump(log);
    EXPECT_TRUE(Matching(log, "code 1 ").empty()) << "a command inside the quiet period went out\n" << Dump(log);
    const auto channelZero = Matching(log, "channel zero frame");
    ASSERT_EQ(channelZero.size(), 1u) << Dump(log);
    EXPECT_NE(channelZero[0].text.find("code 2 (fast state, zero) for channel 3: obeyed by 3"), std::string::npos)
        << channelZero[0].text;
}

TEST_F(WineEndToEnd, PolledCommandsGoToEachLiveChannelOncePollsHaveRestedTenTicks) {
    ASSERT_NO_FATAL_FAILURE(UseSegment(46, Settings(2, 16)));
    ASSERT_NO_FATAL_FAILURE(StartSimulator("--format 2 --com 16 --channels 2,9,27 --motion still --log-polls"));
    ASSERT_NO_FATAL_FAILURE(FirstDataCall());
    ASSERT_TRUE(PumpUntilEveryChannelReads({2, 9, 27}));
    // Commands go to live channels: wait until the absent ones have used up
    // their polls and a pass is the three gauges and one probe.
    ASSERT_TRUE(PumpUntil([&] {
        const auto polls = Matching(simulator.Log(), "poll of channel ");
        if (polls.size() < 8) return false;
        return std::count_if(polls.end() - 8, polls.end(), [](const LogLine& l) {
                   const std::string n = l.text.substr(l.text.rfind(' ') + 1);
                   return n != "2" && n != "9" && n != "27";
               }) <= 2;
    })) << Dump(simulator.Log());

    vexla.SetHardWareZeroCh(8);
    ASSERT_TRUE(PumpUntilLogged("command code 2 ")) << Dump(simulator.Log());
    vexla.CtrlFirmWare(0);
    ASSERT_TRUE(PumpUntilLogged("command code 0 (fast state) for channel 27")) << Dump(simulator.Log());

    const auto log = simulator.Log();
    std::vector<LogLine> commands = Matching(log, "command code");
    ASSERT_EQ(commands.size(), 4u) << Dump(log);
    EXPECT_EQ(commands[0].text, "command code 2 (fast state, zero) for channel 9: obeyed by 9");
    EXPECT_EQ(commands[1].text, "command code 0 (fast state) for channel 2: obeyed by 2");
    EXPECT_EQ(commands[2].text, "command code 0 (fast state) for channel 9: obeyed by 9");
    EXPECT_EQ(commands[3].text, "command code 0 (fast state) for channel 27: obeyed by 27");
    // Each command waits out the poll pacing: ten silent ticks after the
    // last poll; the three of one request follow one per tick, no poll between.
    for (std::size_t k : {std::size_t{0}, std::size_t{1}}) {
        const auto at =
            std::find_if(log.begin(), log.end(), [&](const LogLine& l) { return l.text == commands[k].text; });
        const auto poll = std::find_if(std::make_reverse_iterator(at), log.rend(),
                                       [](const LogLine& l) { return l.text.rfind("poll of", 0) == 0; });
        ASSERT_NE(poll, log.rend()) << Dump(log);
        EXPECT_GE(commands[k].seconds - poll->seconds, 0.45) << Dump(log);
    }
    for (const LogLine& l : log) {
        const bool between = l.seconds > commands[1].seconds && l.seconds < commands[3].seconds;
        EXPECT_FALSE(between && l.text.rfind("poll of", 0) == 0) << "poll inside a command sequence\n" << Dump(log);
    }
}

// ---- software zero and the file's reference keys

TEST_F(WineEndToEnd, ZeroingADisplacementRewritesOnlyItsReferenceKey) {
    std::string text =
        "[硬件类型]\r\n数据格式=2\r\n; set by hand\r\n[通讯设置]\r\n串口编号=14\r\n波特率=19200\r\nMyKey=kept\r\n"
        "[用户参数]\r\n显示DLL小窗口=0\r\n[参考零点]\r\n";
    for (int i = 0; i < 32; ++i) text += "通道" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "=0\r\n";
    const std::string original = testing::Gbk(text);
    ASSERT_NO_FATAL_FAILURE(UseSegment(47, original));
    ASSERT_NO_FATAL_FAILURE(StartSimulator("--format 2 --com 14 --channels 1-3 --motion still --position 1.234"));
    ASSERT_NO_FATAL_FAILURE(FirstDataCall());
    const auto displaced = [&](int n, int32_t want) {
        const ChannelView& v = readings.channel[n - 1];
        return v.updated && v.displacement >= want - 1 && v.displacement <= want + 1;
    };
    ASSERT_TRUE(PumpUntil([&] {
        readings.Take(vexla);
        return displaced(1, 1234) && displaced(2, 1234) && displaced(3, 1234);
    }));

    vexla.SetDataZeroCh(1);
    const std::string key = testing::Gbk("通道01=");
    const auto keyAt = original.find(key);
    ASSERT_TRUE(PumpUntil([&] {
        readings.Take(vexla);
        return displaced(2, 0) && ReadConfig(47) != original;
    })) << "channel 2 displacement "
        << readings.channel[1].displacement;
    EXPECT_TRUE(displaced(1, 1234) && displaced(3, 1234)) << "the other channels keep their reference";

    const std::string now = ReadConfig(47);
    const auto end = now.find("\r\n", keyAt);
    ASSERT_NE(end, std::string::npos);
    const std::string stored = now.substr(keyAt + key.size(), end - keyAt - key.size());
    EXPECT_NEAR(std::stoi(stored), 1234, 1) << "the reference is the position count";
    EXPECT_EQ(now, original.substr(0, keyAt + key.size()) + stored + original.substr(keyAt + key.size() + 1))
        << "every other line stays as it was";

    vexla.SetDataZero();
    ASSERT_TRUE(PumpUntil([&] {
        readings.Take(vexla);
        return displaced(1, 0) && displaced(3, 0);
    }));
    EXPECT_EQ(ReadConfig(47).find(testing::Gbk("通道00=0\r\n")), std::string::npos);
}

// ---- ports that cannot be opened, and ports above 9

TEST_F(WineEndToEnd, MissingPortFailsWithAMessageBoxNamingIt) {
    ASSERT_FALSE(PortOpens("COM5")) << "the test needs COM5 not to exist";
    ASSERT_FALSE(PortOpens("\\\\.\\COM13")) << "the test needs COM13 not to exist";
    ASSERT_NO_FATAL_FAILURE(UseSegment(48, Settings(3, 0)));  // 0: the host's port

    EXPECT_EQ(vexla.ConnectComm(19200, 5), 0);
    auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, L"Vexla");
    EXPECT_EQ(seen[0].text, L"串口 Com5 已经被其它\r\n程序占用,不能打开");

    // The failed link stays closed: no rates, no data, no second attempt.
    PumpFor(300ms);
    readings.Take(vexla);
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(readings.channel[i].rate, -1);
        EXPECT_FALSE(readings.channel[i].updated);
    }
    EXPECT_EQ(watcher.Seen().size(), 1u);

    EXPECT_EQ(vexla.ConnectComm(19200, 13), 0);
    seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].text, L"串口 Com13 已经被其它\r\n程序占用,不能打开") << "texts name the port as users know it";
    expectedMessageBoxes = 2;
}

TEST_F(WineEndToEnd, PortTwelveFromTheFileOpens) {
    ASSERT_NO_FATAL_FAILURE(UseSegment(49, Settings(3, 12)));
    ASSERT_NO_FATAL_FAILURE(StartSimulator("--format 3 --com 12 --channels 1,2 --motion still --position 0.5"));
    ASSERT_NO_FATAL_FAILURE(FirstDataCall());
    EXPECT_TRUE(PumpUntilEveryChannelReads({1, 2}));
    EXPECT_EQ(readings.channel[0].value, 500);
}

// ---- the device vanishing

TEST_F(WineEndToEnd, VanishedDeviceClosesTheLinkAndBringsUpTheWindow) {
    ASSERT_NO_FATAL_FAILURE(UseSegment(50, Settings(3, 15)));
    ASSERT_NO_FATAL_FAILURE(StartSimulator("--format 3 --com 15 --channels 1-4 --motion still"));
    ASSERT_NO_FATAL_FAILURE(FirstDataCall());
    ASSERT_TRUE(PumpUntilEveryChannelReads({1, 2, 3, 4}));
    ASSERT_EQ(ControlWindows().size(), 1u);
    const HWND window = ControlWindows()[0];
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(window); })) << "the file hides it after start-up";

    simulator.Kill();
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; })) << "a lost port shows its status page";

    // Closed, with the timer still running: results keep coming into the
    // boxes, but a closed link hands out no rates and no data.
    for (int round = 0; round < 3; ++round) {
        PumpFor(200ms);
        readings = Readings{};
        readings.Take(vexla);
        for (int i = 0; i < 32; ++i) {
            EXPECT_EQ(readings.channel[i].rate, -1) << "channel " << i + 1;
            EXPECT_FALSE(readings.channel[i].updated) << "channel " << i + 1;
        }
    }
}

// ---- the tray icon

// What the shell does when the user clicks the icon: the hidden window
// comes back, a single click after the double-click time, a double click at once.
TEST_F(WineEndToEnd, ClickingTheTrayIconBringsTheHiddenWindowBack) {
    ASSERT_NO_FATAL_FAILURE(UseSegment(52, Settings(3, 17)));
    ASSERT_NO_FATAL_FAILURE(StartSimulator("--format 3 --com 17 --channels 1 --motion still"));
    ASSERT_NO_FATAL_FAILURE(FirstDataCall());
    ASSERT_EQ(ControlWindows().size(), 1u);
    const HWND window = ControlWindows()[0];
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(window); })) << "the file hides it after start-up";
    ASSERT_EQ(TrayManagers().size(), 1u);
    const HWND manager = TrayManagers()[0];
    const UINT report = RegisterWindowMessageW(L"Ovk.TrayNotifyIconMsg");
    const WPARAM icon = 1;  // the process's first icon

    PostMessageW(manager, report, icon, WM_LBUTTONDOWN);
    PostMessageW(manager, report, icon, WM_LBUTTONUP);
    const auto clicked = Clock::now();
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }));
    EXPECT_GE(Clock::now() - clicked, std::chrono::milliseconds(GetDoubleClickTime()) - 60ms);

    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(window)) << "the close box only hides";
    PostMessageW(manager, report, icon, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 500ms)) << "a double click at once";
}

// ---- the end of the application

TEST_F(WineEndToEnd, EndApplicationLeavesNoWindowPortOrThreadAndTheLibraryUnloads) {
    ASSERT_NO_FATAL_FAILURE(UseSegment(51, Settings(3, 11)));
    ASSERT_NO_FATAL_FAILURE(StartSimulator("--format 3 --com 11 --channels 1 --motion still"));
    const int threadsBefore = ThreadsOfThisProcess();
    ASSERT_NO_FATAL_FAILURE(FirstDataCall());
    ASSERT_TRUE(PumpUntilEveryChannelReads({1}));
    EXPECT_EQ(ControlWindows().size(), 1u);
    EXPECT_FALSE(simulator.Users().empty()) << "the open port holds the pty";

    EXPECT_EQ(TrayManagers().size(), 1u);
    vexla.DLL_End_Application();
    ended = true;
    EXPECT_TRUE(ControlWindows().empty());
    EXPECT_TRUE(TrayManagers().empty()) << "the tray icon's window outlived the application";
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore);
    std::vector<std::string> users;
    EXPECT_TRUE(PumpUntil([&] { return (users = simulator.Users()).empty(); }))
        << "the port is still open in " << users[0];
    EXPECT_TRUE(vexla.Unload());
    EXPECT_EQ(GetModuleHandleA("Vexla.dll"), nullptr);

    // A host may load the library again and start afresh.
    Library again;
    ASSERT_TRUE(again.Loaded());
    ASSERT_EQ(again.SetNetSegment(51), -1);
    VexlaDataBlock32 block{};
    again.GetNewData32Ch(&block);
    bool arrived = PumpUntil([&] {
        again.GetNewData32Ch(&block);
        return block.updated[0] == -1;
    });
    EXPECT_TRUE(arrived) << "no data after loading the library again";
    again.DLL_End_Application();
    EXPECT_TRUE(ControlWindows().empty());
}

}  // namespace
}  // namespace vexla::wine
