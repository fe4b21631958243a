// text_grid_bench: what one tick of the driver's channel grid costs the GUI
// thread. A 3 x 33 grid in 宋体 12 px; each round writes new value and rate
// texts into all 32 rows in one update and paints them (UpdateWindow), as a tick does when
// every gauge changed; then the same texts again, which must leave nothing
// to paint. Prints the mean and the worst round of each.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/win32/fonts.h"
#include "ui/win32/text_grid.h"

namespace {

using Clock = std::chrono::steady_clock;

LRESULT CALLBACK Frame(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::wstring Value(int round, int row) {
    wchar_t text[32];
    std::swprintf(text, 32, L" %7.2f mm", (round * 37 + row * 11) % 100000 / 100.0);
    return text;
}

std::wstring Rate(int round, int row) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%4.1f次/秒", ((round + row) % 200) / 10.0);
    return text;
}

}  // namespace

int main() {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    vexla::ui::RegisterTextGridClass(module);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Frame;
    wc.hInstance = module;
    wc.lpszClassName = L"GridBenchFrame";
    RegisterClassW(&wc);
    const HWND frame = CreateWindowExW(0, L"GridBenchFrame", L"grid bench", WS_POPUP | WS_VISIBLE, 0, 0, 280, 160,
                                       nullptr, nullptr, module, nullptr);
    const vexla::ui::ChosenFont font = vexla::ui::CreateSongFont(12);
    const vexla::ui::TextGrid grid = vexla::ui::TextGrid::Create(frame, 1, RECT{2, 2, 255, 98});
    grid.SetFont(font.font.Get());
    grid.SetColCount(3);
    grid.SetRowCount(33);
    grid.SetFixedRows(1);
    for (int c = 0; c < 3; ++c) grid.SetColWidth(c, c == 2 ? 63 : 81);
    grid.SetDefaultRowHeight(22);
    UpdateWindow(frame);

    constexpr int kRounds = 400;
    std::vector<double> changed, unchanged, setOnly;
    int leftToPaint = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto start = Clock::now();
        grid.BeginUpdate();
        for (int row = 1; row <= 32; ++row) {
            grid.SetCell(1, row, Value(round, row));
            grid.SetCell(2, row, Rate(round, row));
        }
        grid.EndUpdate();
        setOnly.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        UpdateWindow(grid.Handle());
        changed.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());

        start = Clock::now();
        grid.BeginUpdate();
        for (int row = 1; row <= 32; ++row) {
            grid.SetCell(1, row, Value(round, row));
            grid.SetCell(2, row, Rate(round, row));
        }
        grid.EndUpdate();
        RECT dirty{};
        if (GetUpdateRect(grid.Handle(), &dirty, FALSE)) ++leftToPaint;
        UpdateWindow(grid.Handle());
        unchanged.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());

        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    auto report = [](const char* what, std::vector<double>& us) {
        double sum = 0;
        for (double v : us) sum += v;
        std::sort(us.begin(), us.end());
        std::printf("%-44s mean %7.1f us, median %7.1f us, worst %7.1f us\n", what, sum / us.size(), us[us.size() / 2],
                    us.back());
    };
    report("all 32 rows changed (64 cells) and painted:", changed);
    report("  of which writing the 64 texts:", setOnly);
    report("the same texts again:", unchanged);
    std::vector<double> one;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        grid.SetCell(1, 1, Value(round + 1000, 1));
        UpdateWindow(grid.Handle());
        one.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    report("one cell changed and painted:", one);
    std::printf("rounds in which the same texts left something to paint: %d of %d\n", leftToPaint, kRounds);
    DestroyWindow(frame);
    return leftToPaint == 0 ? 0 : 1;
}
