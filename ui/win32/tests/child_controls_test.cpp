#include "ui/win32/child_controls.h"

#include <gtest/gtest.h>

#include <string>

#include "test_window.h"
#include "ui/win32/dpi.h"
#include "ui/win32/text_grid.h"

namespace vexla::ui {
namespace {

using testing::TestWindow;

const ControlRow kTable[] = {
    {1, L"BUTTON", L"确定", BS_PUSHBUTTON | WS_VISIBLE, 0, 10, 20, 75, 23},
    {2, L"EDIT", L"12.5", ES_RIGHT | WS_VISIBLE, WS_EX_CLIENTEDGE, 10, 50, 100, 21},
    {3, L"STATIC", nullptr, SS_LEFT | WS_VISIBLE, 0, 120, 50, 7, 13},
    {4, WC_TEXTGRIDW, L"", WS_VISIBLE | WS_VSCROLL, 0, 0, 80, 200, 100},
    {5, L"NoSuchWindowClass", L"", WS_VISIBLE, 0, 0, 0, 10, 10},
    {1, L"BUTTON", L"again", WS_VISIBLE, 0, 0, 0, 10, 10},  // repeated id
    {6, nullptr, L"", 0, 0, 0, 0, 10, 10},
};

RECT PlaceInParent(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST(ChildControls, TheTableAtTwoDpis) {
    TestWindow window(400, 400);
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (const UINT dpi : {96U, 144U}) {
        SCOPED_TRACE(dpi);
        const ChildControls controls = CreateChildControls(window.Handle(), kTable, font, dpi);
        EXPECT_EQ(controls.Size(), 4U);
        EXPECT_EQ(controls.Failed(), (std::vector<int>{5, 1, 6}));
        for (const ControlRow& row : std::span(kTable).first(4)) {
            const HWND hwnd = controls[row.id];
            ASSERT_NE(hwnd, nullptr) << row.id;
            EXPECT_EQ(GetDlgCtrlID(hwnd), row.id);
            EXPECT_EQ(GetParent(hwnd), window.Handle());
            EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD);
            wchar_t text[32] = {};
            GetWindowTextW(hwnd, text, 32);
            EXPECT_EQ(std::wstring(text), row.text != nullptr ? row.text : L"");
            const RECT r = PlaceInParent(hwnd);
            const RECT expected{row.x * static_cast<int>(dpi) / 96, row.y * static_cast<int>(dpi) / 96,
                                (row.x + row.width) * static_cast<int>(dpi) / 96,
                                (row.y + row.height) * static_cast<int>(dpi) / 96};
            // Rounding of position and size apart: one pixel either way.
            EXPECT_NEAR(r.left, expected.left, 1);
            EXPECT_NEAR(r.top, expected.top, 1);
            EXPECT_NEAR(r.right, expected.right, 1);
            EXPECT_NEAR(r.bottom, expected.bottom, 1);
            EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), font);
        }
        // The table may hold grids, ready for use.
        EXPECT_TRUE(TextGrid(controls[4]).SetColCount(2));
        for (int id = 1; id <= 4; ++id) DestroyWindow(controls[id]);
    }
    EXPECT_EQ(CreateChildControls(nullptr, kTable, nullptr, 96).Size(), 0U);
    EXPECT_GT(WindowDpi(window.Handle()), 0U);
}

TEST(ChildControls, ScaleForDpiRoundsToTheNearestPixel) {
    const struct {
        int value;
        UINT dpi;
        int expected;
    } cases[] = {
        {10, 96, 10}, {10, 144, 15}, {7, 120, 9}, {5, 120, 6}, {-4, 192, -8}, {10, 0, 10}, {0, 240, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ScaleForDpi(c.value, c.dpi), c.expected) << c.value << " at " << c.dpi;
}

}  // namespace
}  // namespace vexla::ui
