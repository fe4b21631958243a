// The grid in a real window, driven with the messages another process would
// send: what the messages say must be what the user sees.

#include "ui/win32/text_grid.h"

#include <gtest/gtest.h>

#include <string>

#include "test_window.h"

namespace vexla::ui {
namespace {

using testing::PumpMessages;
using testing::TestWindow;

constexpr int kGridId = 100;
constexpr int kCols = 3;
constexpr int kRows = 33;
constexpr int kRowHeight = 20;
// The header and exactly 10 scrolling rows.
constexpr int kGridHeight = 11 * kRowHeight;

class TextGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(window_.Handle(), nullptr);
        grid_ = TextGrid::Create(window_.Handle(), kGridId, {10, 10, 10 + 240, 10 + kGridHeight},
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL);
        ASSERT_TRUE(grid_);
        hwnd_ = grid_.Handle();
        ASSERT_TRUE(grid_.SetColCount(kCols));
        ASSERT_TRUE(grid_.SetRowCount(kRows));
        ASSERT_TRUE(grid_.SetFixedRows(1));
        ASSERT_TRUE(grid_.SetDefaultRowHeight(kRowHeight));
        PumpMessages();
        window_.ClearNotifications();
    }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(hwnd_, message, wParam, lParam);
    }
    LRESULT SetText(int col, int row, const wchar_t* text) {
        return Send(TGM_SETCELLTEXT, MAKEWPARAM(col, row), reinterpret_cast<LPARAM>(text));
    }
    // Reads as another program would: the length, then the text.
    std::wstring GetText(int col, int row) {
        const LRESULT length = Send(TGM_GETCELLTEXTLENGTH, MAKEWPARAM(col, row));
        std::wstring buffer(static_cast<std::size_t>(length) + 1, L'#');
        TGCELLTEXT request{col, row, static_cast<int>(buffer.size()), buffer.data()};
        const LRESULT copied = Send(TGM_GETCELLTEXT, 0, reinterpret_cast<LPARAM>(&request));
        EXPECT_EQ(copied, length);
        EXPECT_EQ(buffer[static_cast<std::size_t>(copied)], L'\0');
        return buffer.substr(0, static_cast<std::size_t>(copied));
    }
    GridCell Current() {
        const LRESULT packed = Send(TGM_GETCURSEL);
        return packed < 0 ? kNoCell : GridCell{LOWORD(packed), HIWORD(packed)};
    }
    RECT CellRect(int col, int row) {
        RECT r{};
        EXPECT_TRUE(Send(TGM_GETCELLRECT, MAKEWPARAM(col, row), reinterpret_cast<LPARAM>(&r)));
        return r;
    }
    void Click(int col, int row) {
        const RECT r = CellRect(col, row);
        PostMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        PostMessageW(hwnd_, WM_LBUTTONUP, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        PumpMessages();
    }
    void Key(WPARAM key) {
        PostMessageW(hwnd_, WM_KEYDOWN, key, 1);
        PumpMessages();
    }
    // Whether the user sees the whole row.
    bool FullyVisible(int row) {
        RECT r{};
        RECT client{};
        GetClientRect(hwnd_, &client);
        return Send(TGM_GETCELLRECT, MAKEWPARAM(0, row), reinterpret_cast<LPARAM>(&r)) && r.top >= kRowHeight &&
               r.bottom <= client.bottom;
    }
    // Paints everything, so that whatever is invalid afterwards was made so.
    void Validate() {
        UpdateWindow(hwnd_);
        ValidateRect(hwnd_, nullptr);
    }
    bool ScrollBarShown() {
        SCROLLBARINFO info{};
        info.cbSize = sizeof info;
        return GetScrollBarInfo(hwnd_, OBJID_VSCROLL, &info) && (info.rgstate[0] & STATE_SYSTEM_INVISIBLE) == 0;
    }
    bool UpdateRect(RECT* r) { return GetUpdateRect(hwnd_, r, FALSE) != FALSE; }

    TestWindow window_{300, 260};
    TextGrid grid_;
    HWND hwnd_ = nullptr;
};

TEST_F(TextGridTest, TextsReadBackAsSet) {
    const std::wstring longText(5000, L'长');
    const struct {
        int col, row;
        std::wstring text;
    } cases[] = {
        {0, 0, L"通道"},      {1, 0, L"数值"}, {2, 0, L"次/秒"},  {0, 1, L"1"},
        {1, 1, L"-0.125 mm"}, {2, 32, L""},    {2, 31, longText}, {1, 5, L"ümlaut & <tags> \t tab"},
    };
    for (const auto& c : cases) ASSERT_TRUE(SetText(c.col, c.row, c.text.c_str()));
    for (const auto& c : cases) EXPECT_EQ(GetText(c.col, c.row), c.text) << c.col << "," << c.row;
    EXPECT_EQ(GetText(2, 2), L"");  // never set

    // A buffer too small gets the beginning and a terminating zero.
    wchar_t small[3] = {L'x', L'x', L'x'};
    TGCELLTEXT request{0, 0, 3, small};
    EXPECT_EQ(Send(TGM_GETCELLTEXT, 0, reinterpret_cast<LPARAM>(&request)), 2);
    EXPECT_EQ(std::wstring(small), L"通道");
    request.cchTextMax = 2;
    EXPECT_EQ(Send(TGM_GETCELLTEXT, 0, reinterpret_cast<LPARAM>(&request)), 1);
    EXPECT_EQ(std::wstring(small), L"通");

    // A null text empties the cell.
    EXPECT_TRUE(SetText(0, 1, nullptr));
    EXPECT_EQ(GetText(0, 1), L"");

    // The wrapper: texts without a terminator of their own.
    const std::wstring_view part = std::wstring_view(L"12.345 and more").substr(0, 6);
    EXPECT_TRUE(grid_.SetCell(1, 2, part));
    EXPECT_EQ(grid_.Cell(1, 2), L"12.345");
    EXPECT_EQ(grid_.Cell(2, 31), longText);
}

TEST_F(TextGridTest, RequestsOutOfRangeAreRefusedAndChangeNothing) {
    ASSERT_TRUE(SetText(2, 32, L"last"));
    const struct {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT expected;
    } cases[] = {
        {"text, column", TGM_SETCELLTEXT, MAKEWPARAM(3, 0), reinterpret_cast<LPARAM>(L"x"), FALSE},
        {"text, row", TGM_SETCELLTEXT, MAKEWPARAM(0, 33), reinterpret_cast<LPARAM>(L"x"), FALSE},
        {"text, both 0xFFFF", TGM_SETCELLTEXT, MAKEWPARAM(0xFFFF, 0xFFFF), reinterpret_cast<LPARAM>(L"x"), FALSE},
        {"length", TGM_GETCELLTEXTLENGTH, MAKEWPARAM(3, 32), 0, 0},
        {"get, no request", TGM_GETCELLTEXT, 0, 0, 0},
        {"width, column", TGM_SETCOLWIDTH, 3, 50, FALSE},
        {"width, negative", TGM_SETCOLWIDTH, 0, -5, FALSE},
        {"width, huge", TGM_SETCOLWIDTH, 0, 0x10000, FALSE},
        {"get width", TGM_GETCOLWIDTH, static_cast<WPARAM>(-1), 0, -1},
        {"height, row", TGM_SETROWHEIGHT, 33, 10, FALSE},
        {"get height", TGM_GETROWHEIGHT, 40, 0, -1},
        {"rows, too many", TGM_SETROWCOUNT, 0x8000, 0, FALSE},
        {"rows, negative", TGM_SETROWCOUNT, static_cast<WPARAM>(-1), 0, FALSE},
        {"columns, too many", TGM_SETCOLCOUNT, 0x8000, 0, FALSE},
        {"fixed rows beyond the rows", TGM_SETFIXEDROWS, 34, 0, FALSE},
        {"current, fixed row", TGM_SETCURSEL, MAKEWPARAM(0, 0), 0, FALSE},
        {"current, out of range", TGM_SETCURSEL, MAKEWPARAM(0, 33), 0, FALSE},
        {"alignment, unknown", TGM_SETCELLALIGN, MAKEWPARAM(0, 1), 7, FALSE},
        {"alignment, cell", TGM_SETCELLALIGN, MAKEWPARAM(3, 1), TGA_LEFT, FALSE},
        {"column alignment, column", TGM_SETCOLALIGN, 3, TGA_RIGHT, FALSE},
        {"column alignment, default", TGM_SETCOLALIGN, 0, TGA_DEFAULT, FALSE},
        {"get alignment", TGM_GETCELLALIGN, MAKEWPARAM(0, 33), 0, -1},
        {"rectangle, no buffer", TGM_GETCELLRECT, MAKEWPARAM(0, 1), 0, FALSE},
    };
    for (const auto& c : cases) EXPECT_EQ(Send(c.message, c.wParam, c.lParam), c.expected) << c.what;

    // Buffers that cannot take anything.
    wchar_t buffer[4] = L"abc";
    TGCELLTEXT outside{3, 0, 4, buffer};
    EXPECT_EQ(Send(TGM_GETCELLTEXT, 0, reinterpret_cast<LPARAM>(&outside)), 0);
    EXPECT_EQ(buffer[0], L'\0');
    TGCELLTEXT noBuffer{2, 32, 10, nullptr};
    EXPECT_EQ(Send(TGM_GETCELLTEXT, 0, reinterpret_cast<LPARAM>(&noBuffer)), 0);
    TGCELLTEXT noRoom{2, 32, 0, buffer};
    EXPECT_EQ(Send(TGM_GETCELLTEXT, 0, reinterpret_cast<LPARAM>(&noRoom)), 0);

    EXPECT_EQ(Send(TGM_GETCOLCOUNT), kCols);
    EXPECT_EQ(Send(TGM_GETROWCOUNT), kRows);
    EXPECT_EQ(Send(TGM_GETFIXEDROWS), 1);
    EXPECT_EQ(Send(TGM_GETCOLWIDTH, 0), GridGeometry::kDefaultColWidth);
    EXPECT_EQ(Current(), (GridCell{0, 1}));
    EXPECT_EQ(GetText(2, 32), L"last");
    EXPECT_FALSE(grid_.SetCell(-1, 0, L"x"));
    EXPECT_EQ(grid_.Cell(0, -1), L"");
}

TEST_F(TextGridTest, CountChangesKeepTheTextsOfSurvivingCells) {
    for (int row = 0; row < kRows; ++row)
        for (int col = 0; col < kCols; ++col) ASSERT_TRUE(grid_.SetCell(col, row, std::to_wstring(col * 100 + row)));
    ASSERT_TRUE(grid_.SetCurrent({2, 30}));

    ASSERT_TRUE(grid_.SetColCount(2));
    ASSERT_TRUE(grid_.SetRowCount(10));
    EXPECT_EQ(grid_.Cell(1, 9), L"109");
    EXPECT_EQ(grid_.Cell(2, 9), L"");
    // The current cell moved to the nearest one left, and said so.
    EXPECT_EQ(grid_.Current(), (GridCell{1, 9}));
    ASSERT_FALSE(window_.GridNotifications().empty());
    EXPECT_EQ(window_.GridNotifications().back().cause, static_cast<UINT>(TGC_PROGRAM));

    // Cells that come back are empty, not their old selves.
    ASSERT_TRUE(grid_.SetColCount(3));
    ASSERT_TRUE(grid_.SetRowCount(kRows));
    EXPECT_EQ(grid_.Cell(2, 9), L"");
    EXPECT_EQ(grid_.Cell(0, 20), L"");
    EXPECT_EQ(grid_.Cell(0, 0), L"0");
    EXPECT_EQ(grid_.Cell(1, 9), L"109");

    // No selectable cell: no current one; it comes back with the rows.
    ASSERT_TRUE(grid_.SetRowCount(1));
    EXPECT_EQ(grid_.Current(), kNoCell);
    ASSERT_TRUE(grid_.SetRowCount(5));
    EXPECT_EQ(grid_.Current(), (GridCell{0, 1}));
}

TEST_F(TextGridTest, ClicksSelectCellsButNotFixedOnes) {
    Click(2, 4);
    EXPECT_EQ(Current(), (GridCell{2, 4}));
    EXPECT_EQ(GetFocus(), hwnd_);
    Click(1, 0);  // the header
    EXPECT_EQ(Current(), (GridCell{2, 4}));
    // Below the last column and row: nothing.
    PostMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(235, 5));
    PumpMessages();
    EXPECT_EQ(Current(), (GridCell{2, 4}));
    ASSERT_EQ(window_.GridNotifications().size(), 1U);
    const NMTEXTGRID& nm = window_.GridNotifications()[0];
    EXPECT_EQ(nm.hdr.hwndFrom, hwnd_);
    EXPECT_EQ(nm.hdr.idFrom, static_cast<UINT_PTR>(kGridId));
    EXPECT_EQ(nm.hdr.code, TGN_SELCHANGED);
    EXPECT_EQ(nm.cause, static_cast<UINT>(TGC_MOUSE));
    EXPECT_EQ((GridCell{nm.oldCol, nm.oldRow}), (GridCell{0, 1}));
    EXPECT_EQ((GridCell{nm.col, nm.row}), (GridCell{2, 4}));
}

TEST_F(TextGridTest, KeyboardMovesTheCurrentCellAndKeepsItInView) {
    const struct {
        WPARAM key;
        GridCell expected;
    } steps[] = {
        {VK_DOWN, {0, 2}},  {VK_RIGHT, {1, 2}},  {VK_END, {2, 2}},   {VK_NEXT, {2, 12}}, {VK_NEXT, {2, 22}},
        {VK_NEXT, {2, 32}}, {VK_NEXT, {2, 32}},  {VK_DOWN, {2, 32}}, {VK_HOME, {0, 32}}, {VK_PRIOR, {0, 22}},
        {VK_UP, {0, 21}},   {VK_PRIOR, {0, 11}}, {VK_PRIOR, {0, 1}}, {VK_UP, {0, 1}},    {VK_LEFT, {0, 1}},
    };
    for (const auto& step : steps) {
        Key(step.key);
        EXPECT_EQ(Current(), step.expected) << "key " << step.key;
        EXPECT_TRUE(FullyVisible(Current().row)) << "key " << step.key << ", top row " << Send(TGM_GETTOPROW);
    }
    EXPECT_EQ(Send(TGM_GETTOPROW), 1);
    // Each step that moved said so once.
    EXPECT_EQ(window_.GridNotifications().size(), 11U);
    for (const NMTEXTGRID& nm : window_.GridNotifications()) EXPECT_EQ(nm.cause, static_cast<UINT>(TGC_KEYBOARD));
}

TEST_F(TextGridTest, OneNotificationPerChange) {
    EXPECT_TRUE(Send(TGM_SETCURSEL, MAKEWPARAM(1, 7)));
    EXPECT_TRUE(Send(TGM_SETCURSEL, MAKEWPARAM(1, 7)));   // no change
    Click(1, 7);                                          // no change
    EXPECT_TRUE(Send(TGM_SETCURSEL, MAKEWPARAM(2, 30)));  // scrolls
    ASSERT_EQ(window_.GridNotifications().size(), 2U);
    EXPECT_EQ(window_.GridNotifications()[1].oldRow, 7);
    EXPECT_EQ(window_.GridNotifications()[1].row, 30);
    EXPECT_EQ(window_.GridNotifications()[1].cause, static_cast<UINT>(TGC_PROGRAM));
    EXPECT_TRUE(FullyVisible(30));
}

TEST_F(TextGridTest, ScrollBarMatchesTheRows) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(hwnd_, SB_VERT, &si));
    // 32 scrolling rows, 10 in view: positions 0..22, one per top row.
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, 31);
    EXPECT_EQ(si.nPage, 10U);
    EXPECT_EQ(si.nPos, 0);
    EXPECT_TRUE(ScrollBarShown());

    const struct {
        UINT message;
        WPARAM wParam;
        int top;
    } steps[] = {
        {WM_VSCROLL, SB_LINEDOWN, 2},  {WM_VSCROLL, SB_PAGEDOWN, 12}, {WM_VSCROLL, SB_BOTTOM, 23},
        {WM_VSCROLL, SB_LINEDOWN, 23}, {WM_VSCROLL, SB_LINEUP, 22},   {WM_VSCROLL, SB_TOP, 1},
        {WM_VSCROLL, SB_LINEUP, 1},
    };
    for (const auto& step : steps) {
        Send(step.message, step.wParam);
        EXPECT_EQ(Send(TGM_GETTOPROW), step.top) << step.wParam;
        ASSERT_TRUE(GetScrollInfo(hwnd_, SB_VERT, &si));
        EXPECT_EQ(si.nPos, step.top - 1) << step.wParam;
    }

    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    if (lines > 0 && lines < 10) {
        Send(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
        EXPECT_EQ(Send(TGM_GETTOPROW), 1 + static_cast<int>(lines));
        Send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);  // half a notch: not yet
        EXPECT_EQ(Send(TGM_GETTOPROW), 1 + static_cast<int>(lines));
        Send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
        EXPECT_EQ(Send(TGM_GETTOPROW), 1);
    }
    // Scrolling does not move the current cell.
    EXPECT_EQ(Current(), (GridCell{0, 1}));

    // Rows that all fit: nothing to scroll.
    ASSERT_TRUE(grid_.SetRowCount(6));
    si.fMask = SIF_ALL;
    GetScrollInfo(hwnd_, SB_VERT, &si);
    EXPECT_GT(static_cast<int>(si.nPage), si.nMax - si.nMin);
    EXPECT_FALSE(ScrollBarShown());
    Send(WM_VSCROLL, SB_BOTTOM);
    EXPECT_EQ(Send(TGM_GETTOPROW), 1);
}

TEST_F(TextGridTest, NothingChangedNothingDrawn) {
    ASSERT_TRUE(SetText(1, 3, L"12.5"));
    Validate();
    RECT r{};
    ASSERT_FALSE(UpdateRect(&r));

    const struct {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } sameAgain[] = {
        {"same text", TGM_SETCELLTEXT, MAKEWPARAM(1, 3), reinterpret_cast<LPARAM>(L"12.5")},
        {"empty cell emptied", TGM_SETCELLTEXT, MAKEWPARAM(2, 3), reinterpret_cast<LPARAM>(L"")},
        {"same alignment", TGM_SETCELLALIGN, MAKEWPARAM(1, 3), TGA_DEFAULT},
        {"same column alignment", TGM_SETCOLALIGN, 1, TGA_LEFT},
        {"same current cell", TGM_SETCURSEL, MAKEWPARAM(0, 1), 0},
        {"refused text", TGM_SETCELLTEXT, MAKEWPARAM(5, 3), reinterpret_cast<LPARAM>(L"x")},
    };
    for (const auto& c : sameAgain) {
        EXPECT_TRUE(Send(c.message, c.wParam, c.lParam) || c.wParam == MAKEWPARAM(5, 3)) << c.what;
        EXPECT_FALSE(UpdateRect(&r)) << c.what;
    }

    // A new text: its own cell and nothing else.
    ASSERT_TRUE(SetText(1, 3, L"12.6"));
    ASSERT_TRUE(UpdateRect(&r));
    const RECT cell = CellRect(1, 3);
    EXPECT_TRUE(EqualRect(&r, &cell)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    Validate();

    // A cell out of view: nothing to draw.
    ASSERT_TRUE(SetText(0, 30, L"far"));
    EXPECT_FALSE(UpdateRect(&r));

    // A new current cell: the old and the new one.
    ASSERT_TRUE(Send(TGM_SETCURSEL, MAKEWPARAM(2, 2)));
    ASSERT_TRUE(UpdateRect(&r));
    RECT both{};
    const RECT oldCell = CellRect(0, 1);
    const RECT newCell = CellRect(2, 2);
    UnionRect(&both, &oldCell, &newCell);
    EXPECT_TRUE(EqualRect(&r, &both));
}

// A tick's worth of texts in one update: nothing is invalidated until its
// end, then exactly the changed cells (updates nest; an unmatched end is refused).
TEST_F(TextGridTest, AnUpdateInvalidatesItsChangedCellsTogetherAtTheEnd) {
    Validate();
    RECT r{};
    EXPECT_FALSE(Send(TGM_ENDUPDATE));
    ASSERT_TRUE(Send(TGM_BEGINUPDATE));
    ASSERT_TRUE(Send(TGM_BEGINUPDATE));
    ASSERT_TRUE(SetText(1, 1, L"1.00"));
    ASSERT_TRUE(SetText(2, 3, L"2.00"));
    ASSERT_TRUE(SetText(2, 3, L"2.00"));
    EXPECT_FALSE(UpdateRect(&r)) << "nothing during the update";
    ASSERT_TRUE(Send(TGM_ENDUPDATE));
    EXPECT_FALSE(UpdateRect(&r)) << "the inner end is not the end";
    ASSERT_TRUE(Send(TGM_ENDUPDATE));
    HRGN dirty = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetUpdateRgn(hwnd_, dirty, FALSE), COMPLEXREGION) << "two separate cells";
    const RECT first = CellRect(1, 1), second = CellRect(2, 3), between = CellRect(1, 2);
    EXPECT_TRUE(PtInRegion(dirty, first.left + 2, first.top + 2));
    EXPECT_TRUE(PtInRegion(dirty, second.left + 2, second.top + 2));
    EXPECT_FALSE(PtInRegion(dirty, between.left + 2, between.top + 2)) << "an unchanged cell is left alone";
    DeleteObject(dirty);
    Validate();
    ASSERT_TRUE(Send(TGM_BEGINUPDATE));
    ASSERT_TRUE(Send(TGM_ENDUPDATE));
    EXPECT_FALSE(UpdateRect(&r)) << "an update that changed nothing draws nothing";
}

TEST_F(TextGridTest, PaintsWhatTheStateSays) {
    ASSERT_TRUE(Send(TGM_SETCURSEL, MAKEWPARAM(1, 2)));
    ASSERT_TRUE(SetText(0, 0, L"通道"));
    const RECT current = CellRect(1, 2);
    const RECT plain = CellRect(1, 3);
    const RECT header = CellRect(2, 0);
    HDC dc = GetDC(hwnd_);
    ASSERT_NE(dc, nullptr);
    // Without the focus the current cell looks like any other.
    SetFocus(nullptr);
    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
    EXPECT_EQ(GetPixel(dc, current.left + 4, current.top + 4), GetSysColor(COLOR_WINDOW));
    SetFocus(hwnd_);
    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
    // Inside the cells, clear of the edges and the focus rectangle.
    EXPECT_EQ(GetPixel(dc, current.left + 4, current.top + 4), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(GetPixel(dc, plain.left + 4, plain.top + 4), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(GetPixel(dc, header.left + 4, header.top + 4), GetSysColor(COLOR_BTNFACE));
    // The grid lines: the last pixel column and row of a cell.
    EXPECT_EQ(GetPixel(dc, plain.right - 1, plain.top + 4), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(GetPixel(dc, plain.left + 4, plain.bottom - 1), GetSysColor(COLOR_3DSHADOW));
    ReleaseDC(hwnd_, dc);
}

TEST_F(TextGridTest, KeepsTheFontItIsGiven) {
    EXPECT_EQ(Send(WM_GETFONT), 0);
    const HFONT font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    Validate();
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    RECT r{};
    EXPECT_FALSE(UpdateRect(&r));
    EXPECT_EQ(reinterpret_cast<HFONT>(Send(WM_GETFONT)), font);
    grid_.SetFont(font);
    EXPECT_TRUE(UpdateRect(&r));
}

// Programs fill their grids before they show the window.
TEST(TextGridSetUpHidden, HasItsScrollBarOnceShown) {
    TestWindow window(300, 260);
    ShowWindow(window.Handle(), SW_HIDE);
    const TextGrid grid = TextGrid::Create(window.Handle(), 1, {8, 8, 292, 252});
    ASSERT_TRUE(grid);
    grid.SetColCount(3);
    grid.SetRowCount(33);
    grid.SetFixedRows(1);
    grid.SetDefaultRowHeight(18);
    ShowWindow(window.Handle(), SW_SHOWNOACTIVATE);
    PumpMessages();
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetScrollBarInfo(grid.Handle(), OBJID_VSCROLL, &info));
    EXPECT_EQ(info.rgstate[0] & STATE_SYSTEM_INVISIBLE, 0U);
    EXPECT_NE(GetWindowLongPtrW(grid.Handle(), GWL_STYLE) & WS_VSCROLL, 0);
}

}  // namespace
}  // namespace vexla::ui
