// Every window we make, laid out as a person sees it: the control window on
// each of its pages, Kestrow's and Pellin's windows, the station's window at
// two sizes and its setup dialog, each filled by the real
// driver from gaugesim, checked for controls that leave their parent, that
// lie on each other, and for texts wider or taller than their room. Each
// scenario runs in two faces standing in for 宋体: the one the README's
// pictures are taken with, and a face with wider glyphs, so that a text
// cannot be clipped unseen by a font with larger glyphs.

// windows.h (through the fixture) before commctrl.h, which relies on its types.
#include "wine_end_to_end.h"

#include <commctrl.h>

#include <filesystem>
#include <fstream>

#include "control_ids.h"
#include "layout_check_win32.h"
#include "main_unit_win32.h"
#include "mainform_win32.h"
#include "monitor/model/monitor_model.h"
#include "pellin_ids.h"
#include "setup_dialog_win32.h"
#include "station/model/station_session.h"
#include "station_window_win32.h"
#include "ui/win32/fonts.h"

namespace vexla::wine {
namespace {

// The face of the README's pictures, a Ming face as 宋体 is, and one with
// wider glyphs.
constexpr wchar_t kScreenshotFace[] = L"AR PL UMing CN";
constexpr wchar_t kWideFace[] = L"WenQuanYi Zen Hei";

std::string Lines(const std::vector<std::string>& faults) {
    std::string out;
    for (const std::string& f : faults) out += "\n  " + f;
    return out;
}

class WindowLayout : public WineEndToEnd {
  protected:
    // Read whenever a window makes its fonts: the library's windows too.
    static void UseFace(const wchar_t* face) {
        ASSERT_TRUE(ui::FontFaceExists(face, GB2312_CHARSET))
            << "the face is not installed (tools/install-deps.sh installs it)";
        SetEnvironmentVariableW(L"VEXLA_FALLBACK_FACE", face);
    }

    // The file of `segment` at 115200 baud on a two-digit port, the window shown.
    void Gauges(int segment, int port) {
        WriteConfig(segment, testing::Gbk("[硬件类型]\r\n数据格式=3\r\n[通讯设置]\r\n串口编号=" + std::to_string(port) +
                                          "\r\n波特率=115200\r\n[用户参数]\r\n显示DLL小窗口=1\r\n"));
        ASSERT_NO_FATAL_FAILURE(StartSimulator("--format 3 --baud 115200 --com " + std::to_string(port) +
                                               " --channels 1-32 --kind 2=0.001 --motion walk --position -12.5"));
    }

    void CheckControlWindow() {
        ASSERT_NO_FATAL_FAILURE(Gauges(61, 61));
        ASSERT_EQ(vexla.SetNetSegment(61), -1);
        ASSERT_NO_FATAL_FAILURE(FirstDataCall());
        ASSERT_EQ(ControlWindows().size(), 1u);
        const HWND window = ControlWindows()[0];
        const HWND tab = GetDlgItem(window, control_ids::kPageControl1);
        ASSERT_TRUE(PumpUntil([&] {
            readings.Take(vexla);
            return IsWindowVisible(tab) && readings.channel[31].updated;
        }));
        vexla.EnableCtrls(1, 1, 1);

        // The range lines' check boxes show only their box; the words stand beside.
        const testing::LayoutRules rules{{}, {control_ids::kCheckBoxMoveNeg, control_ids::kCheckBoxMoveNeg + 10}};
        for (int page = 0; page < 4; ++page) {
            TabCtrl_SetCurSel(tab, page);
            NMHDR change{tab, static_cast<UINT_PTR>(control_ids::kPageControl1), static_cast<UINT>(TCN_SELCHANGE)};
            SendMessageW(window, WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
            PumpFor(200ms);  // the grids take their values on the driver's ticks
            ASSERT_TRUE(IsWindowVisible(GetDlgItem(window, control_ids::kPage[page])));
            const auto faults = testing::LayoutFaults(window, rules);
            EXPECT_TRUE(faults.empty()) << "page " << page << Lines(faults);
        }
    }

    void CheckKestrow() {
        ASSERT_NO_FATAL_FAILURE(Gauges(monitor::MonitorModel::kDefaultSegment, 62));
        host::BoundDriver driver(vexla);
        monitor::TMainform form(driver);
        ASSERT_NE(form.Handle(), nullptr);
        ShowWindow(form.Handle(), SW_SHOWNOACTIVATE);
        ASSERT_TRUE(PumpUntil([&] { return !form.Model().Cell(18, 10).empty(); })) << "channel 32's rate";
        const auto faults = testing::LayoutFaults(form.Handle());
        EXPECT_TRUE(faults.empty()) << Lines(faults);
    }

    void CheckPellin() {
        ASSERT_NO_FATAL_FAILURE(Gauges(0, 63));
        host::BoundDriver driver(vexla);
        tester::Mainform form(driver);
        ASSERT_NE(form.Handle(), nullptr);
        ShowWindow(form.Handle(), SW_SHOWNOACTIVATE);
        ASSERT_TRUE(PumpUntil([&] {
            for (int box = 93; box < 96; ++box)
                if (GetWindowTextLengthW(GetDlgItem(form.Handle(), tester::ids::kText1 + box)) == 0) return false;
            return true;
        })) << "the last boxes";
        const auto faults = testing::LayoutFaults(form.Handle());
        EXPECT_TRUE(faults.empty()) << Lines(faults);
    }

    // The station with 32 characteristics at a client size, a few parts
    // taken, then its setup dialog over it.
    void CheckStation(int width, int height, station::Language language = station::Language::Chinese) {
        ASSERT_NO_FATAL_FAILURE(Gauges(72, 72));
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const std::filesystem::path folder =
            std::filesystem::path(temp) / (L"vexla-layout-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::create_directories(folder);
        std::string limits;
        for (int c = 1; c <= 32; ++c)
            limits += std::to_string(c) + ", -12.5, -0.05, 0.05, 特性" + std::to_string(c) + "\n";
        std::ofstream(folder / L"limits.txt", std::ios::binary) << limits;
        std::ofstream(folder / L"station.ini", std::ios::binary)
            << "[station]\nsegment = 72\nchannels = 1-32\nthousandths = 2\nlimits = "
            << Narrow((folder / L"limits.txt").wstring()) << "\nrecords = " << Narrow((folder / L"records").wstring())
            << "\nlanguage = " << (language == station::Language::English ? "en" : "zh")
            << "\nbatch = B-2026-12-09-A\noperator = 王芳\n";

        station::StationSession session({Narrow((folder / L"station.ini").wstring()), ""});
        station::StationWindow window(session);
        ASSERT_NE(window.Handle(), nullptr);
        ShowWindow(window.Handle(), SW_SHOWNOACTIVATE);
        RECT frame{0, 0, width, height};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window.Handle(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(window.Handle(), GWL_EXSTYLE)));
        SetWindowPos(window.Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        RECT client{};
        GetClientRect(window.Handle(), &client);
        ASSERT_EQ(client.right, width);
        ASSERT_EQ(client.bottom, height);
        ASSERT_TRUE(PumpUntil([&] { return session.Running() && !session.Model().Tile(32).silent; }))
            << "channel 32's reading";
        for (int part = 0; part < 3; ++part) window.Capture();
        PumpFor(100ms);  // the captures' repaints
        const auto faults = testing::LayoutFaults(window.Handle());
        EXPECT_TRUE(faults.empty()) << width << "x" << height << Lines(faults);

        station::SetupDialog setup(window.Handle(), session.Settings(), nullptr);
        const HWND dialog = setup.Create();
        ASSERT_NE(dialog, nullptr);
        ShowWindow(dialog, SW_SHOWNOACTIVATE);
        const auto dialogFaults = testing::LayoutFaults(dialog);
        EXPECT_TRUE(dialogFaults.empty()) << "setup" << Lines(dialogFaults);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

TEST_F(WindowLayout, TheControlWindowOnEachPageInTheScreenshotFace) {
    ASSERT_NO_FATAL_FAILURE(UseFace(kScreenshotFace));
    CheckControlWindow();
}
TEST_F(WindowLayout, TheControlWindowOnEachPageInAWiderFace) {
    ASSERT_NO_FATAL_FAILURE(UseFace(kWideFace));
    CheckControlWindow();
}
TEST_F(WindowLayout, KestrowsWindowInTheScreenshotFace) {
    ASSERT_NO_FATAL_FAILURE(UseFace(kScreenshotFace));
    CheckKestrow();
}
TEST_F(WindowLayout, KestrowsWindowInAWiderFace) {
    ASSERT_NO_FATAL_FAILURE(UseFace(kWideFace));
    CheckKestrow();
}
TEST_F(WindowLayout, PellinsWindowInTheScreenshotFace) {
    ASSERT_NO_FATAL_FAILURE(UseFace(kScreenshotFace));
    CheckPellin();
}
TEST_F(WindowLayout, PellinsWindowInAWiderFace) {
    ASSERT_NO_FATAL_FAILURE(UseFace(kWideFace));
    CheckPellin();
}

TEST_F(WindowLayout, TheStationAt1024x768InTheScreenshotFace) {
    ASSERT_NO_FATAL_FAILURE(UseFace(kScreenshotFace));
    CheckStation(1024, 768);
}
TEST_F(WindowLayout, TheStationAt1024x768InAWiderFace) {
    ASSERT_NO_FATAL_FAILURE(UseFace(kWideFace));
    CheckStation(1024, 768);
}
TEST_F(WindowLayout, TheStationAt1920x1080InTheScreenshotFace) {
    ASSERT_NO_FATAL_FAILURE(UseFace(kScreenshotFace));
    CheckStation(1920, 1080);
}
TEST_F(WindowLayout, TheStationAt1920x1080InAWiderFace) {
    ASSERT_NO_FATAL_FAILURE(UseFace(kWideFace));
    CheckStation(1920, 1080);
}
TEST_F(WindowLayout, TheStationInEnglishAt1024x768InAWiderFace) {
    ASSERT_NO_FATAL_FAILURE(UseFace(kWideFace));
    CheckStation(1024, 768, station::Language::English);
}

}  // namespace
}  // namespace vexla::wine
