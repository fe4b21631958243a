// Kestrow.exe as an operator uses it: started beside Vexla.dll with gaugesim
// on a COM port, driven through its window's controls from this process
// and read back from what its window shows.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "monitor/model/monitor_texts.h"
#include "monitor/win32/monitor_ids.h"
#include "ui/win32/text_grid.h"
#include "ui/win32/text_grid_remote.h"
#include "wine_end_to_end.h"
#include "wine_program.h"

namespace vexla::monitor {
namespace {

using namespace wine;

class Kestrow : public ::testing::Test {
  protected:
    void TearDown() override {
        if (form_ != nullptr) PostMessageW(form_, WM_CLOSE, 0, 0);
        kestrow_.WaitForExit(10000);
    }

    // Segment 1's file (the monitor's), gaugesim on COM `port`, then the program.
    void StartWithGauges(int port, const std::string& gauges) {
        ASSERT_NO_FATAL_FAILURE(WriteConfig(1, Settings(3, port)));
        ASSERT_EQ(simulator.Start("--format 3 --com " + std::to_string(port) + " " + gauges), "");
        ASSERT_TRUE(kestrow_.Start(ProgramFolder() / L"Kestrow.exe")) << GetLastError();
        // The window exists a moment before its controls do.
        ASSERT_TRUE(Eventually([&] {
            form_ = TopWindow(kestrow_.Id(), L"TMainform");
            grid_ = form_ != nullptr ? GetDlgItem(form_, ids::kStringGridData) : nullptr;
            return grid_ != nullptr && GetDlgItem(form_, ids::kStatusBar1) != nullptr;
        }));
    }

    std::string Cell(int col, int row) const {
        return Narrow(ui::ReadGridCellText(grid_, col, row).value_or(L"<unreadable>"));
    }
    bool CellBecomes(int col, int row, const std::string& text) {
        return Eventually([&] { return Cell(col, row) == text; });
    }
    HWND Control(int id) const { return GetDlgItem(form_, id); }
    void Click(int id) const { ClickButton(form_, id); }
    bool PressUntilLogged(int id, const std::string& heard) {
        return RepeatUntil([&] { Click(id); }, [&] { return !Matching(simulator.Log(), heard).empty(); });
    }

    // The status bar's part edges, read in the program's own memory: the
    // message carries a pointer.
    std::vector<int> StatusParts() const {
        const HWND bar = Control(ids::kStatusBar1);
        DWORD pid = 0;
        GetWindowThreadProcessId(bar, &pid);
        const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, pid);
        if (process == nullptr) return {};
        std::vector<int> parts(8);
        void* remote =
            VirtualAllocEx(process, nullptr, parts.size() * sizeof(int), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        DWORD_PTR count = 0;
        if (remote == nullptr ||
            !SendMessageTimeoutW(bar, SB_GETPARTS, parts.size(), reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG,
                                 2000, &count) ||
            !ReadProcessMemory(process, remote, parts.data(), parts.size() * sizeof(int), nullptr))
            count = 0;
        parts.resize(std::min<std::size_t>(count, parts.size()));
        if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        CloseHandle(process);
        return parts;
    }

    Simulator simulator;
    Process kestrow_;
    HWND form_ = nullptr;
    HWND grid_ = nullptr;
};

TEST_F(Kestrow, TheGridFillsWithTheGaugesAndTheButtonsReachThem) {
    ASSERT_NO_FATAL_FAILURE(StartWithGauges(25, "--channels 1-8,29 --motion still --position 2.5 --silence 3@8+1000"));
    EXPECT_EQ(WindowText(form_), L"32通道 数显百分表位移测量 远程监视系统   V1.325");
    // Two panels, an empty one and the maker's, which runs to the bar's end.
    const std::vector<int> parts = StatusParts();
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[1], -1) << "an empty stretch beyond the maker's panel";
    EXPECT_EQ(LOWORD(SendMessageW(Control(ids::kStatusBar1), SB_GETTEXTLENGTHW, 0, 0)), 0);
    EXPECT_EQ(LOWORD(SendMessageW(Control(ids::kStatusBar1), SB_GETTEXTLENGTHW, 1, 0)), texts::kMakerPanel.size());
    // The heading may break before its unit where the face is too wide for one line.
    std::string heading = Cell(1, 0);
    std::erase(heading, '\n');
    EXPECT_EQ(heading, "仪表显示(mm)");
    EXPECT_EQ(Cell(15, 10), " 32");

    // Values from the driver, a rate, and a gauge falling silent.
    ASSERT_TRUE(CellBecomes(1, 1, "      2.50")) << Cell(1, 1);
    EXPECT_EQ(Cell(2, 1), "      2.50");
    ASSERT_TRUE(CellBecomes(16, 7, "      2.50")) << Cell(16, 7);
    ASSERT_TRUE(Eventually([&] { return Cell(3, 1).find("次") != std::string::npos; })) << Cell(3, 1);
    // Gauge 3 reads first, then falls silent 8 s after the simulator's start
    // (the program may take a while to start under a loaded Wine).
    ASSERT_TRUE(CellBecomes(1, 3, "      2.50")) << Cell(1, 3);
    ASSERT_TRUE(CellBecomes(3, 3, "已脱离")) << Cell(3, 3);
    EXPECT_EQ(Cell(1, 3), "      2.50") << "a dropped-out channel keeps its last value";
    EXPECT_EQ(Cell(1, 4), "      2.50");
    EXPECT_EQ(Cell(6, 1), "      2.50");
    EXPECT_EQ(Cell(11, 1), "") << "an absent gauge shows nothing";

    // The single-channel button follows the current cell.
    const HWND single = Control(ids::kSPBtnSigleCtrl);
    EXPECT_FALSE(IsWindowVisible(single));
    WPARAM cell = 0;
    ASSERT_TRUE(ui::PackCell(17, 7, &cell));
    SendMessageW(grid_, TGM_SETCURSEL, cell, 0);
    ASSERT_TRUE(Eventually([&] { return IsWindowVisible(single) != FALSE; }));
    EXPECT_EQ(WindowText(single), L"29#通道 位移归零");
    Click(ids::kSPBtnSigleCtrl);
    ASSERT_TRUE(CellBecomes(17, 7, "      0.00")) << "the displacement of channel 29 is zeroed: " << Cell(17, 7);
    EXPECT_EQ(Cell(16, 7), "      2.50");
    EXPECT_EQ(Cell(2, 1), "      2.50") << "only that channel";

    ASSERT_TRUE(ui::PackCell(3, 1, &cell));  // a rate cell hides the button
    SendMessageW(grid_, TGM_SETCURSEL, cell, 0);
    ASSERT_TRUE(Eventually([&] { return IsWindowVisible(single) == FALSE; }));
    ASSERT_TRUE(ui::PackCell(16, 7, &cell));
    SendMessageW(grid_, TGM_SETCURSEL, cell, 0);
    ASSERT_TRUE(Eventually([&] { return IsWindowVisible(single) != FALSE; }));
    EXPECT_EQ(WindowText(single), L"29#通道 显示归零");
    ASSERT_TRUE(PressUntilLogged(ids::kSPBtnSigleCtrl, "for channel 29")) << Dump(simulator.Log());
    EXPECT_EQ(Matching(simulator.Log(), "channel zero frame").size(), 1u) << Dump(simulator.Log());
    ASSERT_TRUE(CellBecomes(16, 7, "      0.00")) << "the gauge itself reads zero: " << Cell(16, 7);

    // Zero all, then the two state buttons.
    Click(ids::kSpBtnDataZero);
    ASSERT_TRUE(CellBecomes(2, 1, "      0.00")) << Cell(2, 1);
    ASSERT_TRUE(CellBecomes(7, 4, "      0.00")) << Cell(7, 4);
    ASSERT_TRUE(PressUntilLogged(ids::kSpBtnFastZero, "command code 2 ")) << Dump(simulator.Log());
    ASSERT_TRUE(PressUntilLogged(ids::kSpBtnStdZero, "command code 3 ")) << Dump(simulator.Log());

    // The driver's own window.
    const HWND driverWindow = TopWindow(kestrow_.Id(), L"TForm_Call");
    ASSERT_NE(driverWindow, nullptr);
    EXPECT_FALSE(IsWindowVisible(driverWindow)) << "hidden by the file";
    Click(ids::kSpBtnShowDLL);
    EXPECT_TRUE(Eventually([&] { return IsWindowVisible(driverWindow) != FALSE; }));
    // The driver keeps its window during the quiet period after a command.
    EXPECT_TRUE(
        RepeatUntil([&] { Click(ids::kSpBtnHideDLL); }, [&] { return IsWindowVisible(driverWindow) == FALSE; }));

    // Closing ends the program and frees the port.
    PostMessageW(form_, WM_CLOSE, 0, 0);
    form_ = nullptr;
    const auto exit = kestrow_.WaitForExit(10000);
    ASSERT_TRUE(exit.has_value()) << "Kestrow did not end after its window closed";
    EXPECT_EQ(*exit, 0u);
    EXPECT_TRUE(Eventually([&] { return simulator.Users().empty(); }, 5s));
}

TEST_F(Kestrow, WithoutTheLibraryTheLoaderStopsIt) {
    const LoneCopy alone(L"Kestrow.exe");
    ASSERT_TRUE(alone.Ready());
    ASSERT_TRUE(kestrow_.Start(alone.Path()));
    const auto exit = kestrow_.WaitForExit(30000);
    ASSERT_TRUE(exit.has_value()) << "Kestrow runs without Vexla.dll";
    EXPECT_NE(*exit, 0u);
    EXPECT_EQ(TopWindow(kestrow_.Id(), L"TMainform"), nullptr);
}

}  // namespace
}  // namespace vexla::monitor
