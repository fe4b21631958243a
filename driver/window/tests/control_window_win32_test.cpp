// The control window as a user meets it: the real Vexla.dll under Wine with
// gaugesim on a COM port, the controls found by their identifiers, acted on
// with the messages a user's clicks and keys produce, and read back as the
// user sees them (a grid cell's text, a control's state, the file).

// windows.h (through the fixture) before commctrl.h, which relies on its types.
#include "wine_end_to_end.h"

#include <commctrl.h>

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

    // What typing into a drop-down's edit sends.
    void TypeInto(int controlId, const wchar_t* text) const {
        const HWND combo = Control(controlId);
        SetWindowTextW(combo, text);
        SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(controlId, CBN_EDITCHANGE),
                     reinterpret_cast<LPARAM>(combo));
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
    ASSERT_NO_FATAL_FAILURE(Open(61, ShownSettings(3, 27), "--format 3 --com 27 --channels 1 --motion still"));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(Control(id::kPageControl1)) != FALSE; }));
    EXPECT_EQ(Text(id::kCBoxLinkSpeed), L"19200");

    ChooseItem(id::kCBoxDataFormat, 2);
    EXPECT_EQ(ConfigValue(61, "数据格式"), "2");
    TypeInto(id::kCBoxDataFormat, L"无此格式");
    EXPECT_EQ(ConfigValue(61, "数据格式"), "255") << "typed text that selects no item";
    ChooseItem(id::kCBoxDataFormat, 3);
    EXPECT_EQ(ConfigValue(61, "数据格式"), "3");

    // The speed: written, then a fresh connect that reads the file.
    ChooseItem(id::kCBoxLinkSpeed, 3);
    EXPECT_EQ(ConfigValue(61, "波特率"), "57600");
    EXPECT_TRUE(PumpUntil([&] { return Text(id::kLabelSpeed).find(L"57600") != std::wstring::npos; }))
        << Narrow(Text(id::kLabelSpeed));
    TypeInto(id::kCBoxLinkSpeed, L"12345");
    EXPECT_EQ(ConfigValue(61, "波特率"), "57600") << "typed text leaves the speed";
    readings = Readings{};
    EXPECT_TRUE(PumpUntilEveryChannelReads({1})) << "the reconnected link reads";
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
