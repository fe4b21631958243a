// A window to look at: the grid as a monitor shows channels, with 宋体 12 px.
// Not a test; run it (under Wine: wine64 text_grid_demo.exe) and judge it.

#include <windows.h>

#include <string>

#include "ui/win32/fonts.h"
#include "ui/win32/module.h"
#include "ui/win32/text_grid.h"

namespace {

using vexla::ui::TextAlign;
using vexla::ui::TextGrid;

constexpr int kCols = 3;
constexpr int kRows = 33;
constexpr wchar_t kClass[] = L"VexlaTextGridDemo";

LRESULT CALLBACK DemoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NOTIFY: {
            const auto* nm = reinterpret_cast<const NMTEXTGRID*>(lParam);
            if (nm->hdr.code == TGN_SELCHANGED && nm->row >= 0) {
                const std::wstring caption = L"通道 " + std::to_wstring(nm->row) + L" — 文本表格";
                SetWindowTextW(hwnd, caption.c_str());
            }
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DemoProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    if (!RegisterClassExW(&wc)) return 1;

    const HWND window = CreateWindowExW(0, kClass, L"文本表格", WS_OVERLAPPEDWINDOW, 40, 40, 360, 420, nullptr, nullptr,
                                        instance, nullptr);
    if (window == nullptr) return 1;
    const vexla::ui::ChosenFont font = vexla::ui::CreateSongFont(12);

    RECT client{};
    GetClientRect(window, &client);
    InflateRect(&client, -8, -8);
    const TextGrid grid = TextGrid::Create(window, 100, client, TextGrid::kDefaultStyle);
    if (!grid) return 1;
    grid.SetFont(font.font.Get(), false);
    grid.SetColCount(kCols);
    grid.SetRowCount(kRows);
    grid.SetFixedRows(1);
    grid.SetDefaultRowHeight(18);
    grid.SetColWidth(0, 60);
    grid.SetColWidth(1, 120);
    grid.SetColWidth(2, 80);
    grid.SetColAlign(1, TextAlign::Right);
    grid.SetColAlign(2, TextAlign::Right);
    const wchar_t* headings[kCols] = {L"通道", L"数值", L"次/秒"};
    for (int col = 0; col < kCols; ++col) {
        grid.SetCell(col, 0, headings[col]);
        grid.SetCellAlign(col, 0, TextAlign::Center);
    }
    for (int row = 1; row < kRows; ++row) {
        grid.SetCell(0, row, std::to_wstring(row));
        grid.SetCell(1, row, std::to_wstring(row * 37 % 1000) + L"." + std::to_wstring(row % 10) + L" mm");
        grid.SetCell(2, row, row % 7 == 0 ? L"离线" : std::to_wstring(10 + row % 5));
    }
    grid.SetCell(1, 5, L"超出量程 overflow of a long text");
    grid.SetCurrent({1, 3});
    SetWindowTextW(window, (L"文本表格 — " + font.face).c_str());

    ShowWindow(window, show);
    SetFocus(grid.Handle());
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
