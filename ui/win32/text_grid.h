#pragma once
// The text grid: a GDI-drawn table of UTF-16 texts with fixed header rows, a
// current cell and rows that scroll by whole rows. Everything a user sees can
// be set and read through messages, so that another process (a test driving
// the program) can read the grid as well as our own code can.
//
// Cell addresses travel as MAKEWPARAM(col, row). Counts are at most 0x7FFF
// (kMaxGridCols/kMaxGridRows), so every address fits.
//
// Messages (a refused request changes nothing and returns FALSE, or -1 where
// a value is the answer):
//   TGM_SETCOLCOUNT   wParam count                     -> TRUE/FALSE
//   TGM_GETCOLCOUNT                                    -> count
//   TGM_SETROWCOUNT   wParam count                     -> TRUE/FALSE
//   TGM_GETROWCOUNT                                    -> count
//     Cells that survive a count change keep their texts.
//   TGM_SETFIXEDROWS  wParam count (<= row count)      -> TRUE/FALSE
//   TGM_GETFIXEDROWS                                   -> count
//   TGM_SETCOLWIDTH   wParam col, lParam pixels        -> TRUE/FALSE
//   TGM_GETCOLWIDTH   wParam col                       -> pixels or -1
//   TGM_SETROWHEIGHT  wParam row, lParam pixels        -> TRUE/FALSE
//   TGM_GETROWHEIGHT  wParam row                       -> pixels or -1
//   TGM_SETDEFROWHEIGHT wParam pixels (rows not set one by one) -> TRUE/FALSE
//   TGM_GETDEFROWHEIGHT                                -> pixels
//   TGM_SETCELLTEXT   wParam cell, lParam LPCWSTR (NULL: empty; "\n" breaks
//                     the line) -> TRUE/FALSE
//   TGM_GETCELLTEXT   lParam TGCELLTEXT*: copies at most cchTextMax - 1
//                     characters and a terminating zero, like WM_GETTEXT;
//                     returns the characters copied (0 out of range)
//   TGM_GETCELLTEXTLENGTH wParam cell                  -> length (0 out of range)
//   TGM_SETCELLALIGN  wParam cell, lParam TGA_*        -> TRUE/FALSE
//                     (TGA_DEFAULT: the column's alignment)
//   TGM_GETCELLALIGN  wParam cell                      -> TGA_LEFT/CENTER/RIGHT or -1
//   TGM_SETCOLALIGN   wParam col, lParam TGA_LEFT/CENTER/RIGHT -> TRUE/FALSE
//   TGM_GETCURSEL                                      -> MAKELONG(col, row), -1 when none
//   TGM_SETCURSEL     wParam cell (not in a fixed row) -> TRUE/FALSE; scrolls it into view
//   TGM_GETTOPROW                                      -> first scrolling row shown
//   TGM_SETTOPROW     wParam row                       -> the top row after clamping
//   TGM_GETCELLRECT   wParam cell, lParam RECT*        -> TRUE, FALSE when out of
//                     range or scrolled above the view
//
// Notification (WM_NOTIFY to the parent, lParam NMTEXTGRID*):
//   TGN_SELCHANGED    once for every change of the current cell, whatever
//                     made it (see NMTEXTGRID::cause).
//
// WM_SETFONT/WM_GETFONT: the font the texts are drawn with (not owned by the
// grid; it must outlive it). Without one, DEFAULT_GUI_FONT is used.
// Keys: arrows, Home/End (first/last column), Ctrl+Home/Ctrl+End (first/last
// cell), PgUp/PgDn (a page of rows). The mouse wheel scrolls rows.

#include <windows.h>

#include <string>
#include <string_view>

#include "ui/win32/grid_geometry.h"

#define WC_TEXTGRIDW L"VexlaTextGrid"

#define TGM_SETCOLCOUNT (WM_USER + 1)
#define TGM_GETCOLCOUNT (WM_USER + 2)
#define TGM_SETROWCOUNT (WM_USER + 3)
#define TGM_GETROWCOUNT (WM_USER + 4)
#define TGM_SETFIXEDROWS (WM_USER + 5)
#define TGM_GETFIXEDROWS (WM_USER + 6)
#define TGM_SETCOLWIDTH (WM_USER + 7)
#define TGM_GETCOLWIDTH (WM_USER + 8)
#define TGM_SETROWHEIGHT (WM_USER + 9)
#define TGM_GETROWHEIGHT (WM_USER + 10)
#define TGM_SETDEFROWHEIGHT (WM_USER + 11)
#define TGM_GETDEFROWHEIGHT (WM_USER + 12)
#define TGM_SETCELLTEXT (WM_USER + 13)
#define TGM_GETCELLTEXT (WM_USER + 14)
#define TGM_GETCELLTEXTLENGTH (WM_USER + 15)
#define TGM_SETCELLALIGN (WM_USER + 16)
#define TGM_GETCELLALIGN (WM_USER + 17)
#define TGM_SETCOLALIGN (WM_USER + 18)
#define TGM_GETCURSEL (WM_USER + 19)
#define TGM_SETCURSEL (WM_USER + 20)
#define TGM_GETTOPROW (WM_USER + 21)
#define TGM_SETTOPROW (WM_USER + 22)
#define TGM_GETCELLRECT (WM_USER + 23)
// Between BEGINUPDATE and ENDUPDATE (they nest) changed cells are collected
// and invalidated together at the end: one invalidation for a whole tick's
// worth of texts instead of one per cell.
#define TGM_BEGINUPDATE (WM_USER + 24)
#define TGM_ENDUPDATE (WM_USER + 25)

#define TGA_DEFAULT (-1)
#define TGA_LEFT 0
#define TGA_CENTER 1
#define TGA_RIGHT 2

// Below the common controls' notification ranges.
#define TGN_FIRST (0U - 2900U)
#define TGN_SELCHANGED (TGN_FIRST - 0)

// What made the current cell change.
#define TGC_PROGRAM 0  // TGM_SETCURSEL, or a count change that removed it
#define TGC_MOUSE 1
#define TGC_KEYBOARD 2

typedef struct tagTGCELLTEXT {
    int col;
    int row;
    int cchTextMax;  // the buffer's size in characters, the zero included
    LPWSTR pszText;
} TGCELLTEXT;

typedef struct tagNMTEXTGRID {
    NMHDR hdr;
    int col;  // the new current cell (-1, -1: none)
    int row;
    int oldCol;
    int oldRow;
    UINT cause;  // TGC_*
} NMTEXTGRID;

namespace vexla::ui {

// The space between a cell's text and its left and right edges; the grid
// line takes one more pixel on the right.
inline constexpr int kGridTextMargin = 2;

// Registers WC_TEXTGRIDW for `instance`; true when it is registered
// (already, or now). Create the grid with the same instance.
bool RegisterTextGridClass(HINSTANCE instance);

enum class TextAlign { Default = TGA_DEFAULT, Left = TGA_LEFT, Center = TGA_CENTER, Right = TGA_RIGHT };

// Our own code's handle on a grid window. It does not own the window: the
// parent's destruction takes the grid with it.
class TextGrid {
  public:
    static constexpr DWORD kDefaultStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP;

    TextGrid() = default;
    explicit TextGrid(HWND hwnd) : hwnd_(hwnd) {}
    // Registers the class for this module and creates the grid; an empty
    // TextGrid (Handle() null) when that fails.
    static TextGrid Create(HWND parent, int id, const RECT& bounds, DWORD style = kDefaultStyle, DWORD exStyle = 0);

    HWND Handle() const { return hwnd_; }
    explicit operator bool() const { return hwnd_ != nullptr; }

    bool SetColCount(int count) const;
    int ColCount() const;
    bool SetRowCount(int count) const;
    int RowCount() const;
    bool SetFixedRows(int count) const;
    int FixedRows() const;
    bool SetColWidth(int col, int width) const;
    int ColWidth(int col) const;
    bool SetRowHeight(int row, int height) const;
    int RowHeight(int row) const;
    bool SetDefaultRowHeight(int height) const;

    // Texts end at an embedded zero, as every window text does.
    bool SetCell(int col, int row, std::wstring_view text) const;
    std::wstring Cell(int col, int row) const;
    bool SetCellAlign(int col, int row, TextAlign align) const;
    TextAlign CellAlign(int col, int row) const;  // Default when out of range
    bool SetColAlign(int col, TextAlign align) const;

    bool SetCurrent(GridCell cell) const;
    void BeginUpdate() const;
    void EndUpdate() const;
    GridCell Current() const;  // kNoCell when none
    int TopRow() const;
    bool SetTopRow(int row) const;
    bool CellRect(GridCell cell, RECT* rect) const;

    void SetFont(HFONT font, bool redraw = true) const;

  private:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    HWND hwnd_ = nullptr;
};

// A cell address as the messages carry it; false when it does not fit.
bool PackCell(int col, int row, WPARAM* wParam);

}  // namespace vexla::ui
