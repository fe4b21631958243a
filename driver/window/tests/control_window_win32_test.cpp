// The control window as a user meets it: the real Vexla.dll under Wine with
// gaugesim on a COM port, the controls found by their identifiers, acted on
// with the messages a user's clicks and keys produce, and read back as the
// user sees them (a grid cell's text, a control's state, the file).

// windows.h (through the fixture) before commctrl.h, which relies on its types.
#include "wine_end_to_end.h"

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "control_ids.h"
#include "ui/win32/text_grid.h"

namespace vexla::wine {
namespace {

namespace id = control_ids;

// The window shown after the start-up phase (the file says so).
std::string ShownSettings(int format, int port) {
    return testing::Gbk("[硬件类型]\r\n数据格式=" + std::to_string(format) + "\r\n[通讯设置]\r\n串口编号=" +
                        std::to_string(port) + "\r\n波特率=19200\r\n[用户参数]\r\n显示DLL小窗口=1\r\n");
}

// The value of `key` in the segment's file (GBK key, GBK value), or "" when absent.
std::string ConfigValue(int segment, const std::string& utf8Key) {
    const std::string text = ReadConfig(segment);
    const std::string key = testing::Gbk(utf8Key) + "=";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find("\r\n", at), text.size());
        if (text.compare(at, key.size(), key) == 0) return text.substr(at + key.size(), end - at - key.size());
        at = end + 2;
    }
    return {};
}

class ControlWindow : public WineEndToEnd {
  protected:
    // Connects with `file` as segment `segment` and waits for the window.
    void Open(int segment, const std::string& file, const std::string& gauges) {
        ASSERT_NO_FATAL_FAILURE(UseSegment(segment, file));
        ASSERT_NO_FATAL_FAILURE(StartSimulator(gauges));
        ASSERT_NO_FATAL_FAILURE(FirstDataCall());
        ASSERT_EQ(ControlWindows().size(), 1u);
        window = ControlWindows()[0];
    }

    HWND Page(int index) const { return GetDlgItem(window, id::kPage[index]); }
    // A control on any page, or on the window itself.
    HWND Control(int controlId) const {
        if (const HWND top = GetDlgItem(window, controlId)) return top;
        for (int p = 0; p < 4; ++p)
            if (const HWND control = GetDlgItem(Page(p), controlId)) return control;
        return nullptr;
    }

    std::wstring Cell(int grid, int col, int row) const {
        wchar_t text[128] = {};
        TGCELLTEXT request{col, row, 128, text};
        SendMessageW(Control(grid), TGM_GETCELLTEXT, 0, reinterpret_cast<LPARAM>(&request));
        return text;
    }

    std::wstring Text(int controlId) const {
        wchar_t text[128] = {};
        GetWindowTextW(Control(controlId), text, 128);
        return text;
    }

    // What a user's choice from a drop-down list sends.
    void ChooseItem(int controlId, int item) const {
        const HWND combo = Control(controlId);
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
        SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }

    // Keys as the user's keyboard gives them: through this thread's queue
    // to the focused field of a drop-down, its whole text selected first.
    void TypeKeys(int controlId, const std::wstring& text, const std::function<void()>& afterEachKey) const {
        const HWND edit = FindWindowExW(Control(controlId), nullptr, L"Edit", nullptr);
        ASSERT_NE(edit, nullptr);
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        for (std::size_t n = 1; n <= text.size(); ++n) {
            PostMessageW(edit, WM_CHAR, text[n - 1], 1);
            ASSERT_TRUE(PumpUntil([&] { return Text(controlId) == text.substr(0, n); })) << Narrow(Text(controlId));
            afterEachKey();
        }
    }

    void PressEnter() const {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
        PostMessageW(GetFocus(), WM_KEYUP, VK_RETURN, 0xC0000001);
    }

    void Click(int controlId) const { SendMessageW(Control(controlId), BM_CLICK, 0, 0); }

    void Key(int controlId, UINT message, WPARAM key) const {
        SendMessageW(Control(controlId), message, key, message == WM_KEYDOWN ? 1 : 0);
        PumpFor(50ms);
    }

    HWND window = nullptr;
};

TEST_F(ControlWindow, TheLogoThenTheGridWithTheGaugesValuesAndTheDashesOfASilentOne) {
    ASSERT_NO_FATAL_FAILURE(Open(60, ShownSettings(3, 26),
                                 "--format 3 --com 26 --channels 1-2 --kind 2=0.001 --motion still "
                                 "--position 12.34 --silence 2@12+60"));
    EXPECT_TRUE(IsWindowVisible(Control(id::kPanelLogo))) << "the logo while the start-up phase runs";
    EXPECT_FALSE(IsWindowVisible(Control(id::kPageControl1)));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(Control(id::kPageControl1)) != FALSE; }));
    EXPECT_FALSE(IsWindowVisible(Control(id::kPanelLogo)));
    EXPECT_TRUE(IsWindowVisible(Page(0))) << "the data list first";
    EXPECT_EQ(Cell(id::kBfbStatusGrid, 0, 0), L"061段[总通道]");

    // Values in hundredths of the value unit, two decimals unless the file asks for three: 12.34 mm
    // on a 0.01 mm gauge reads 12.34, on a 0.001 mm gauge (ten times the units) 123.40. Rates per second.
    EXPECT_TRUE(PumpUntil([&] {
        return Cell(id::kBfbStatusGrid, 1, 1) == L"   12.34 mm" && Cell(id::kBfbStatusGrid, 1, 2) == L"  123.40 mm" &&
               Cell(id::kBfbStatusGrid, 2, 1).find(L"次/秒") != std::wstring::npos;
    })) << Narrow(Cell(id::kBfbStatusGrid, 1, 1))
        << " / " << Narrow(Cell(id::kBfbStatusGrid, 1, 2));
    EXPECT_EQ(Cell(id::kBfbStatusGrid, 1, 3), L" -------") << "a channel that never answered";

    // Gauge 2 falls silent: its value stays on show for 40 ticks, then dashes.
    ASSERT_TRUE(PumpUntilLogged("silent")) << Dump(simulator.Log());
    const auto silent = Clock::now();
    EXPECT_TRUE(PumpUntil([&] { return Cell(id::kBfbStatusGrid, 1, 2) == L" -------"; }));
    EXPECT_GE(Clock::now() - silent, 1500ms) << "the last value is held for two seconds";
    EXPECT_NE(Cell(id::kBfbStatusGrid, 1, 1), L" -------") << "gauge 1 still reads";
}

TEST_F(ControlWindow, SettingsChosenOrTypedAreWrittenAndTheLinkReconnects) {
    // The driver's trace counts the connects.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring trace = temp + std::wstring(L"vexla-control-window-trace.txt");
    DeleteFileW(trace.c_str());
    _wputenv((L"VEXLA_TRACE=" + trace).c_str());
    const auto connects = [&] {
        std::ifstream file(std::filesystem::path(trace), std::ios::binary);
        int count = 0;
        for (std::string line; std::getline(file, line);) count += line.find(" connect: COM") != std::string::npos;
        return count;
    };

    ASSERT_NO_FATAL_FAILURE(Open(61, ShownSettings(3, 27), "--format 3 --com 27 --channels 1 --motion still"));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(Control(id::kPageControl1)) != FALSE; }));
    EXPECT_EQ(Text(id::kCBoxLinkSpeed), L"19200");
    EXPECT_EQ(Text(id::kCBoxComm), L"Com27") << "a port past the list's eight shows by its name";

    ChooseItem(id::kCBoxDataFormat, 2);
    EXPECT_EQ(ConfigValue(61, "数据格式"), "2");
    // Typed text acts once the focus leaves the list, not on every key.
    ASSERT_NO_FATAL_FAILURE(TypeKeys(id::kCBoxDataFormat, L"无此格式",
                                     [] { EXPECT_EQ(ConfigValue(61, "数据格式"), "2") << "written while typing"; }));
    SetFocus(Control(id::kCBoxLinkSpeed));
    EXPECT_EQ(ConfigValue(61, "数据格式"), "255") << "typed text that selects no item";
    ChooseItem(id::kCBoxDataFormat, 3);
    EXPECT_EQ(ConfigValue(61, "数据格式"), "3");

    // The speed: written, then a fresh connect that reads the file.
    ChooseItem(id::kCBoxLinkSpeed, 3);
    EXPECT_EQ(ConfigValue(61, "波特率"), "57600");
    EXPECT_TRUE(PumpUntil([&] { return Text(id::kLabelSpeed).find(L"57600") != std::wstring::npos; }))
        << Narrow(Text(id::kLabelSpeed));
    const int beforeTyping = connects();
    ASSERT_NO_FATAL_FAILURE(TypeKeys(id::kCBoxLinkSpeed, L"12345", [] {}));
    PressEnter();
    EXPECT_TRUE(PumpUntil([&] { return connects() == beforeTyping + 1; })) << "confirmed: one reconnect";
    EXPECT_EQ(ConfigValue(61, "波特率"), "57600") << "typed text leaves the speed";
    readings = Readings{};
    EXPECT_TRUE(PumpUntilEveryChannelReads({1})) << "the reconnected link reads";

    // A port typed key by key, by its name: nothing until Enter, then one
    // reconnect on that port. (Text that names no port would store port 0
    // and reconnect on COM1, a port of this machine: not tried here.)
    const int connected = connects();
    ASSERT_NO_FATAL_FAILURE(TypeKeys(id::kCBoxComm, L"com64", [&] {
        EXPECT_EQ(ConfigValue(61, "串口编号"), "27") << "written while typing " << Narrow(Text(id::kCBoxComm));
        EXPECT_EQ(connects(), connected) << "reconnected while typing " << Narrow(Text(id::kCBoxComm));
    }));
    ASSERT_NO_FATAL_FAILURE(StartSimulator("--format 3 --com 64 --channels 1 --motion still"));
    PressEnter();
    EXPECT_TRUE(PumpUntil([&] { return ConfigValue(61, "串口编号") == "64" && connects() == connected + 1; }));
    SetFocus(Control(id::kCBoxLinkSpeed));
    PumpMessages();
    EXPECT_EQ(connects(), connected + 1) << "the focus leaving confirms nothing twice";
    readings = Readings{};
    EXPECT_TRUE(PumpUntilEveryChannelReads({1})) << "the gauge on COM64 reads";
}

TEST_F(ControlWindow, ShowCtrlFormBringsTheCoveredWindowToTheFrontWithTheFocus) {
    ASSERT_NO_FATAL_FAILURE(Open(65, ShownSettings(3, 66), "--format 3 --com 66 --channels 1 --motion still"));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(Control(id::kPageControl1)) != FALSE; }));
    // Which of two top-level windows lies above the other.
    const auto above = [](HWND upper, HWND lower) {
        for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
            if (w == upper) return true;
            if (w == lower) return false;
        }
        return false;
    };

    // Another window of the host covers it and has the focus.
    RECT place{};
    GetWindowRect(window, &place);
    const HWND cover = CreateWindowExW(0, L"STATIC", L"cover", WS_OVERLAPPEDWINDOW | WS_VISIBLE, place.left - 20,
                                       place.top - 20, place.right - place.left + 40, place.bottom - place.top + 40,
                                       nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(cover, nullptr);
    SetForegroundWindow(cover);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == cover && above(cover, window); }));

    vexla.ShowCtrlForm();
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == window; })) << "the window has not the focus";
    EXPECT_TRUE(above(window, cover)) << "the window stays covered";
    EXPECT_TRUE(GetFocus() == window || IsChild(window, GetFocus()));
    EXPECT_TRUE(IsWindowVisible(Control(id::kPageControl1)));
    DestroyWindow(cover);
}

TEST_F(ControlWindow, NumberFieldsTakeArrowsNotTypingAndTheRangeLinesStoreTheirByte) {
    ASSERT_NO_FATAL_FAILURE(Open(62, ShownSettings(3, 28), "--format 3 --com 28 --channels 1 --motion still"));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(Control(id::kPageControl1)) != FALSE; }));
    const std::wstring depth = Text(id::kSpinEditFillter);
    Key(id::kSpinEditFillter, WM_CHAR, L'5');
    EXPECT_EQ(Text(id::kSpinEditFillter), depth) << "typing is refused";
    Key(id::kSpinEditFillter, WM_KEYDOWN, VK_UP);
    EXPECT_EQ(Text(id::kSpinEditFillter), std::to_wstring(std::stoi(depth) + 1)) << "the up arrow counts";
    EXPECT_EQ(ConfigValue(62, "数据过滤深度"), std::to_string(std::stoi(depth) + 1));

    // Line 1: "以后" with 32 stores 160.
    EXPECT_EQ(Text(id::kSpinEditChN1), L"32");
    Click(id::kRBtnDirB0);
    EXPECT_EQ(ConfigValue(62, "位移计算取反"), "0") << "the box is off: nothing stored";
    Click(id::kCheckBoxMoveNeg);
    EXPECT_EQ(ConfigValue(62, "位移计算取反"), "160");
    // Line 2: "以前" with 1 stores 1; moving the number while the box is off stores nothing.
    SendMessageW(Control(id::kSpinEditChN2 + id::kSpinButtonsOffset), UDM_SETPOS32, 0, 1);
    PumpFor(50ms);
    EXPECT_EQ(ConfigValue(62, "数值×10"), "0");
    Click(id::kCheckBoxNegDisp);
    EXPECT_EQ(ConfigValue(62, "数值×10"), "1");
    Key(id::kSpinEditChN2, WM_KEYDOWN, VK_UP);
    EXPECT_EQ(ConfigValue(62, "数值×10"), "2") << "with the box on, the number counts at once";

    // Tab moves on through the page, as the host's own loop lets it (keys come through its queue).
    SetFocus(Control(id::kCheckBoxMoveNeg));
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
    PostMessageW(GetFocus(), WM_KEYUP, VK_TAB, 0xC0000001);
    PumpFor(100ms);
    EXPECT_EQ(GetFocus(), Control(id::kSpinEditChN1)) << "from the check box to its number";
}

TEST_F(ControlWindow, TheCommandButtonSendsTheChosenCodeAndFollowsTheLinkAndThePermissions) {
    ASSERT_NO_FATAL_FAILURE(Open(63, ShownSettings(3, 29), "--format 3 --com 29 --channels 1-2 --motion still"));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(Control(id::kSpBtnSendCmd)) != FALSE; }));
    EXPECT_EQ(Text(id::kComboBoxCmd), L"转快速状态,尝试调零") << "item 2 at creation";
    ChooseItem(id::kComboBoxCmd, 5);
    Click(id::kSpBtnSendCmd);
    EXPECT_TRUE(PumpUntilLogged("command code 6 ")) << Dump(simulator.Log());
    EXPECT_FALSE(IsWindowEnabled(Control(id::kSpBtnSendCmd))) << "disabled while the quiet period runs";
    EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(Control(id::kSpBtnSendCmd)) != FALSE; }));

    const auto enable = vexla.Bind<decltype(::EnableCtrls)>("EnableCtrls");
    ASSERT_NE(enable, nullptr);
    enable(0, 0, 0);
    EXPECT_TRUE(PumpUntil([&] {
        return !IsWindowEnabled(Control(id::kSpBtnSendCmd)) && !IsWindowEnabled(Control(id::kSpBtnZero)) &&
               !IsWindowEnabled(Page(2)) && !IsWindowEnabled(Page(3));
    }));
    enable(1, 1, 1);
    EXPECT_TRUE(PumpUntil([&] {
        return IsWindowEnabled(Control(id::kSpBtnSendCmd)) && IsWindowEnabled(Control(id::kSpBtnZero)) &&
               IsWindowEnabled(Page(2)) && IsWindowEnabled(Page(3));
    }));
}

TEST_F(ControlWindow, TheSessionEndClosesThePortAndEndsTheHostsMessageLoop) {
    ASSERT_NO_FATAL_FAILURE(Open(64, ShownSettings(3, 30), "--format 3 --com 30 --channels 1 --motion still"));
    ASSERT_TRUE(PumpUntilEveryChannelReads({1}));
    EXPECT_FALSE(simulator.Users().empty());
    EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, 0), TRUE) << "the session may end";
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the host's loop is told to end";
    std::vector<std::string> users;
    EXPECT_TRUE(PumpUntil([&] { return (users = simulator.Users()).empty(); })) << "the port is still open";
}

}  // namespace
}  // namespace vexla::wine
