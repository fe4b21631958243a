#include "ui/win32/text_grid_remote.h"

#include <gtest/gtest.h>

#include <string>

#include "test_window.h"
#include "ui/win32/text_grid.h"

namespace vexla::ui {
namespace {

using testing::PumpMessages;
using testing::TestWindow;

TEST(ReadGridCellText, ThroughTheGridProcesssMemory) {
    TestWindow window(200, 200);
    const TextGrid grid = TextGrid::Create(window.Handle(), 7, {0, 0, 200, 200});
    ASSERT_TRUE(grid);
    grid.SetColCount(2);
    grid.SetRowCount(4);
    const std::wstring longText(3000, L'数');
    grid.SetCell(0, 0, L"通道");
    grid.SetCell(1, 3, longText);
    const struct {
        int col, row;
        std::optional<std::wstring> expected;
    } cases[] = {
        {0, 0, L"通道"}, {1, 3, longText}, {1, 1, L""}, {2, 0, L""},  // outside the grid
        {-1, 0, {}},     {0, 0x8000, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadGridCellText(grid.Handle(), c.col, c.row), c.expected) << c.col << "," << c.row;
    EXPECT_EQ(ReadGridCellText(nullptr, 0, 0), std::nullopt);
}

struct FoundWindow {
    DWORD pid;
    HWND hwnd;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param) {
    auto* found = reinterpret_cast<FoundWindow*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != found->pid || GetDlgItem(hwnd, 100) == nullptr) return TRUE;
    found->hwnd = hwnd;
    return FALSE;
}

// The demo program, started beside this test, read from here as a test
// driving one of our programs would.
TEST(ReadGridCellText, FromAnotherProcess) {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    ASSERT_GT(n, 0U);
    std::wstring exe(path, n);
    exe = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"text_grid_demo.exe";
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(
        CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));

    FoundWindow found{pi.dwProcessId, nullptr};
    std::optional<std::wstring> heading;
    for (int i = 0; i < 200 && heading != L"通道"; ++i) {
        Sleep(50);
        if (found.hwnd == nullptr) EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&found));
        if (found.hwnd != nullptr) heading = ReadGridCellText(GetDlgItem(found.hwnd, 100), 0, 0);
    }
    EXPECT_EQ(heading, L"通道");
    if (found.hwnd != nullptr) {
        const HWND grid = GetDlgItem(found.hwnd, 100);
        EXPECT_EQ(ReadGridCellText(grid, 2, 0), L"次/秒");
        EXPECT_EQ(ReadGridCellText(grid, 1, 5), L"超出量程 overflow of a long text");
        EXPECT_EQ(ReadGridCellText(grid, 0, 32), L"32");
        // The current cell needs no memory of ours.
        EXPECT_EQ(SendMessageW(grid, TGM_GETCURSEL, 0, 0), MAKELONG(1, 3));
        PostMessageW(found.hwnd, WM_CLOSE, 0, 0);
    } else {
        TerminateProcess(pi.hProcess, 1);
    }
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    PumpMessages();
}

}  // namespace
}  // namespace vexla::ui
