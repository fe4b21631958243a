#include "ui/win32/text_grid.h"

#include "ui/win32/module.h"

namespace vexla::ui {

bool PackCell(int col, int row, WPARAM* wParam) {
    if (col < 0 || col > kMaxGridCols || row < 0 || row > kMaxGridRows) return false;
    *wParam = MAKEWPARAM(col, row);
    return true;
}

TextGrid TextGrid::Create(HWND parent, int id, const RECT& bounds, DWORD style, DWORD exStyle) {
    const HINSTANCE instance = CurrentModule();
    if (!RegisterTextGridClass(instance)) return TextGrid();
    return TextGrid(CreateWindowExW(exStyle, WC_TEXTGRIDW, L"", style, bounds.left, bounds.top,
                                    bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr));
}

LRESULT TextGrid::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return hwnd_ != nullptr ? SendMessageW(hwnd_, message, wParam, lParam) : 0;
}

// Negative numbers would wrap to huge unsigned ones, which the grid refuses
// anyway; they are refused here without asking.
bool TextGrid::SetColCount(int count) const {
    return count >= 0 && Send(TGM_SETCOLCOUNT, count) != 0;
}
int TextGrid::ColCount() const {
    return static_cast<int>(Send(TGM_GETCOLCOUNT));
}
bool TextGrid::SetRowCount(int count) const {
    return count >= 0 && Send(TGM_SETROWCOUNT, count) != 0;
}
int TextGrid::RowCount() const {
    return static_cast<int>(Send(TGM_GETROWCOUNT));
}
bool TextGrid::SetFixedRows(int count) const {
    return count >= 0 && Send(TGM_SETFIXEDROWS, count) != 0;
}
int TextGrid::FixedRows() const {
    return static_cast<int>(Send(TGM_GETFIXEDROWS));
}
bool TextGrid::SetColWidth(int col, int width) const {
    return col >= 0 && Send(TGM_SETCOLWIDTH, col, width) != 0;
}
int TextGrid::ColWidth(int col) const {
    return col >= 0 && hwnd_ ? static_cast<int>(Send(TGM_GETCOLWIDTH, col)) : -1;
}
bool TextGrid::SetRowHeight(int row, int height) const {
    return row >= 0 && Send(TGM_SETROWHEIGHT, row, height) != 0;
}
int TextGrid::RowHeight(int row) const {
    return row >= 0 && hwnd_ ? static_cast<int>(Send(TGM_GETROWHEIGHT, row)) : -1;
}
bool TextGrid::SetDefaultRowHeight(int height) const {
    return height >= 0 && Send(TGM_SETDEFROWHEIGHT, height) != 0;
}

bool TextGrid::SetCell(int col, int row, std::wstring_view text) const {
    WPARAM cell = 0;
    if (!PackCell(col, row, &cell)) return false;
    const std::wstring terminated(text);
    return Send(TGM_SETCELLTEXT, cell, reinterpret_cast<LPARAM>(terminated.c_str())) != 0;
}

std::wstring TextGrid::Cell(int col, int row) const {
    WPARAM cell = 0;
    if (!PackCell(col, row, &cell)) return {};
    const auto length = static_cast<std::size_t>(Send(TGM_GETCELLTEXTLENGTH, cell));
    if (length == 0) return {};
    std::wstring text(length, L'\0');
    TGCELLTEXT request{col, row, static_cast<int>(length + 1), text.data()};
    // Reading into the string's own terminator slot is allowed since C++11.
    text.resize(static_cast<std::size_t>(Send(TGM_GETCELLTEXT, 0, reinterpret_cast<LPARAM>(&request))));
    return text;
}

bool TextGrid::SetCellAlign(int col, int row, TextAlign align) const {
    WPARAM cell = 0;
    return PackCell(col, row, &cell) && Send(TGM_SETCELLALIGN, cell, static_cast<LPARAM>(align)) != 0;
}

TextAlign TextGrid::CellAlign(int col, int row) const {
    WPARAM cell = 0;
    if (!PackCell(col, row, &cell) || hwnd_ == nullptr) return TextAlign::Default;
    const LRESULT align = Send(TGM_GETCELLALIGN, cell);
    return align < 0 ? TextAlign::Default : static_cast<TextAlign>(align);
}

bool TextGrid::SetColAlign(int col, TextAlign align) const {
    return col >= 0 && Send(TGM_SETCOLALIGN, col, static_cast<LPARAM>(align)) != 0;
}

bool TextGrid::SetCurrent(GridCell cell) const {
    WPARAM packed = 0;
    return PackCell(cell.col, cell.row, &packed) && Send(TGM_SETCURSEL, packed) != 0;
}

GridCell TextGrid::Current() const {
    if (hwnd_ == nullptr) return kNoCell;
    const LRESULT packed = Send(TGM_GETCURSEL);
    if (packed < 0) return kNoCell;
    return {LOWORD(packed), HIWORD(packed)};
}

int TextGrid::TopRow() const {
    return static_cast<int>(Send(TGM_GETTOPROW));
}

bool TextGrid::SetTopRow(int row) const {
    return row >= 0 && Send(TGM_SETTOPROW, row) == row;
}

bool TextGrid::CellRect(GridCell cell, RECT* rect) const {
    WPARAM packed = 0;
    return rect != nullptr && PackCell(cell.col, cell.row, &packed) &&
           Send(TGM_GETCELLRECT, packed, reinterpret_cast<LPARAM>(rect)) != 0;
}

void TextGrid::SetFont(HFONT font, bool redraw) const {
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(redraw ? TRUE : FALSE, 0));
}

void TextGrid::BeginUpdate() const {
    SendMessageW(hwnd_, TGM_BEGINUPDATE, 0, 0);
}

void TextGrid::EndUpdate() const {
    SendMessageW(hwnd_, TGM_ENDUPDATE, 0, 0);
}

}  // namespace vexla::ui
