// The text grid's window class: state, messages and painting.

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "ui/win32/gdi.h"
#include "ui/win32/text_grid.h"

namespace vexla::ui {
namespace {

// Nobody reads more than this in one cell; it keeps a huge text from making
// every repaint measure all of it.
constexpr int kMaxDrawnChars = 1024;
constexpr int kTextMargin = kGridTextMargin;

struct CellData {
    std::wstring text;
    int align = TGA_DEFAULT;
};

bool ValidAlign(LPARAM align) {
    return align == TGA_LEFT || align == TGA_CENTER || align == TGA_RIGHT;
}

GridCell UnpackCell(WPARAM wParam) {
    return {LOWORD(wParam), HIWORD(wParam)};
}

RECT ToRect(const GridRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

class GridWindow {
  public:
    explicit GridWindow(HWND hwnd) : hwnd_(hwnd) {}
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    using CellKey = std::pair<int, int>;  // row first: the map is in drawing order

    // Structure: counts, sizes, fixed rows. Each ends by redrawing all and
    // moving the current cell back into the selectable cells.
    LRESULT SetColCount(int count);
    LRESULT SetRowCount(int count);
    LRESULT Restructure(bool accepted);

    LRESULT SetCellText(GridCell cell, const wchar_t* text);
    LRESULT GetCellText(TGCELLTEXT* request) const;
    const CellData* Find(GridCell cell) const;
    int EffectiveAlign(GridCell cell) const;
    LRESULT SetCellAlign(GridCell cell, LPARAM align);

    // Every path that changes the current cell notifies last: the parent may
    // destroy the grid from its handler.
    bool SetCurrent(GridCell cell, UINT cause);
    void Notify(GridCell old, UINT cause);

    void ScrollTo(int topRow);
    void OnScrollBar(WORD request);
    void OnWheel(int delta);
    void OnKey(WPARAM key);
    void UpdateScrollBar();
    void InvalidateCell(GridCell cell);
    void InvalidateScrollingRows();

    void Paint();
    // Draws the cells that meet `update` (a region in client coordinates;
    // null: all that meet `clip`, the region's bounding box).
    void Draw(HDC dc, const RECT& clip, HRGN update) const;
    void DrawCell(HDC dc, GridCell cell, const RECT& rect) const;

    HWND hwnd_;
    GridGeometry geometry_;
    std::map<CellKey, CellData> cells_;  // only cells with a text or an alignment
    std::vector<int> colAlign_;
    GridCell current_ = kNoCell;
    HFONT font_ = nullptr;
    int wheelRest_ = 0;
    bool wantsScrollBar_ = false;
    bool updatingScrollBar_ = false;
    // Changed cells collected between TGM_BEGINUPDATE and TGM_ENDUPDATE.
    int updating_ = 0;
    GdiRegion pending_;
    // The off-screen picture, kept from paint to paint (making one costs
    // more than drawing a tick's cells). Declared bitmap first: the DC,
    // which holds it selected, goes first.
    GdiBitmap backBitmap_;
    std::unique_ptr<MemoryDc> backDc_;
    SIZE backSize_{};
};

LRESULT GridWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            // Windows clears WS_VSCROLL while the bar is hidden: the style
            // at creation says whether the grid has one.
            wantsScrollBar_ = (reinterpret_cast<const CREATESTRUCTW*>(lParam)->style & WS_VSCROLL) != 0;
            RECT client{};
            GetClientRect(hwnd_, &client);
            geometry_.SetViewHeight(client.bottom);
            UpdateScrollBar();
            return 0;
        }
        case WM_SIZE:
            geometry_.SetViewHeight(HIWORD(lParam));
            UpdateScrollBar();
            InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // painting covers every pixel
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SETFONT:
            font_ = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(lParam) != 0) InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_);
        case TGM_BEGINUPDATE:
            ++updating_;
            return TRUE;
        case TGM_ENDUPDATE:
            if (updating_ == 0) return FALSE;
            if (--updating_ == 0 && pending_) {
                InvalidateRgn(hwnd_, pending_.Get(), FALSE);
                pending_ = GdiRegion();
            }
            return TRUE;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateCell(current_);
            return 0;
        case WM_LBUTTONDOWN: {
            if (GetFocus() != hwnd_) SetFocus(hwnd_);
            const GridCell cell =
                geometry_.CellAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            if (geometry_.Selectable(cell)) SetCurrent(cell, TGC_MOUSE);
            return 0;
        }
        case WM_KEYDOWN:
            OnKey(wParam);
            return 0;
        case WM_VSCROLL:
            OnScrollBar(LOWORD(wParam));
            return 0;
        case WM_MOUSEWHEEL:
            OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
            return 0;

        case TGM_SETCOLCOUNT:
            return SetColCount(wParam > static_cast<WPARAM>(kMaxGridCols) ? -1 : static_cast<int>(wParam));
        case TGM_GETCOLCOUNT:
            return geometry_.ColCount();
        case TGM_SETROWCOUNT:
            return SetRowCount(wParam > static_cast<WPARAM>(kMaxGridRows) ? -1 : static_cast<int>(wParam));
        case TGM_GETROWCOUNT:
            return geometry_.RowCount();
        case TGM_SETFIXEDROWS:
            return Restructure(wParam <= static_cast<WPARAM>(kMaxGridRows) &&
                               geometry_.SetFixedRows(static_cast<int>(wParam)));
        case TGM_GETFIXEDROWS:
            return geometry_.FixedRows();
        case TGM_SETCOLWIDTH:
            return Restructure(wParam <= static_cast<WPARAM>(kMaxGridCols) && lParam >= 0 && lParam <= kMaxGridExtent &&
                               geometry_.SetColWidth(static_cast<int>(wParam), static_cast<int>(lParam)));
        case TGM_GETCOLWIDTH:
            return wParam <= static_cast<WPARAM>(kMaxGridCols) ? geometry_.ColWidth(static_cast<int>(wParam)) : -1;
        case TGM_SETROWHEIGHT:
            return Restructure(wParam <= static_cast<WPARAM>(kMaxGridRows) && lParam >= 0 && lParam <= kMaxGridExtent &&
                               geometry_.SetRowHeight(static_cast<int>(wParam), static_cast<int>(lParam)));
        case TGM_GETROWHEIGHT:
            return wParam <= static_cast<WPARAM>(kMaxGridRows) ? geometry_.RowHeight(static_cast<int>(wParam)) : -1;
        case TGM_SETDEFROWHEIGHT:
            return Restructure(wParam <= static_cast<WPARAM>(kMaxGridExtent) &&
                               geometry_.SetDefaultRowHeight(static_cast<int>(wParam)));
        case TGM_GETDEFROWHEIGHT:
            return geometry_.DefaultRowHeight();

        case TGM_SETCELLTEXT:
            return SetCellText(UnpackCell(wParam), reinterpret_cast<const wchar_t*>(lParam));
        case TGM_GETCELLTEXT:
            return GetCellText(reinterpret_cast<TGCELLTEXT*>(lParam));
        case TGM_GETCELLTEXTLENGTH: {
            const CellData* data = Find(UnpackCell(wParam));
            return data != nullptr ? static_cast<LRESULT>(data->text.size()) : 0;
        }
        case TGM_SETCELLALIGN:
            return SetCellAlign(UnpackCell(wParam), lParam);
        case TGM_GETCELLALIGN:
            return geometry_.Contains(UnpackCell(wParam)) ? EffectiveAlign(UnpackCell(wParam)) : -1;
        case TGM_SETCOLALIGN:
            if (wParam >= colAlign_.size() || !ValidAlign(lParam)) return FALSE;
            if (colAlign_[wParam] != static_cast<int>(lParam)) {
                colAlign_[wParam] = static_cast<int>(lParam);
                InvalidateRect(hwnd_, nullptr, FALSE);
            }
            return TRUE;

        case TGM_GETCURSEL:
            return current_ == kNoCell ? -1 : static_cast<LRESULT>(MAKELONG(current_.col, current_.row));
        case TGM_SETCURSEL:
            return SetCurrent(UnpackCell(wParam), TGC_PROGRAM) ? TRUE : FALSE;
        case TGM_GETTOPROW:
            return geometry_.TopRow();
        case TGM_SETTOPROW:
            ScrollTo(wParam <= static_cast<WPARAM>(kMaxGridRows) ? static_cast<int>(wParam) : kMaxGridRows);
            return geometry_.TopRow();
        case TGM_GETCELLRECT: {
            GridRect r;
            auto* out = reinterpret_cast<RECT*>(lParam);
            if (out == nullptr || !geometry_.CellRect(UnpackCell(wParam), &r)) return FALSE;
            *out = ToRect(r);
            return TRUE;
        }
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

LRESULT GridWindow::SetColCount(int count) {
    if (!geometry_.SetColCount(count)) return FALSE;
    colAlign_.resize(static_cast<std::size_t>(count), TGA_LEFT);
    std::erase_if(cells_, [count](const auto& entry) { return entry.first.second >= count; });
    return Restructure(true);
}

LRESULT GridWindow::SetRowCount(int count) {
    if (!geometry_.SetRowCount(count)) return FALSE;
    cells_.erase(cells_.lower_bound({count, 0}), cells_.end());
    return Restructure(true);
}

LRESULT GridWindow::Restructure(bool accepted) {
    if (!accepted) return FALSE;
    UpdateScrollBar();
    InvalidateRect(hwnd_, nullptr, FALSE);
    // The current cell stays where it was, as near as the new shape allows.
    GridCell cell = current_;
    if (cell != kNoCell && geometry_.ColCount() > 0 && geometry_.RowCount() > geometry_.FixedRows()) {
        cell.col = std::min(cell.col, geometry_.ColCount() - 1);
        cell.row = std::clamp(cell.row, geometry_.FixedRows(), geometry_.RowCount() - 1);
    }
    if (!geometry_.Selectable(cell)) cell = geometry_.FirstSelectable();
    if (cell != current_) {
        const GridCell old = current_;
        current_ = cell;
        if (geometry_.EnsureVisible(cell.row)) UpdateScrollBar();
        Notify(old, TGC_PROGRAM);
    }
    return TRUE;
}

const CellData* GridWindow::Find(GridCell cell) const {
    const auto it = cells_.find({cell.row, cell.col});
    return it != cells_.end() ? &it->second : nullptr;
}

LRESULT GridWindow::SetCellText(GridCell cell, const wchar_t* text) {
    if (!geometry_.Contains(cell)) return FALSE;
    const std::wstring_view newText = text != nullptr ? std::wstring_view(text) : std::wstring_view();
    const CellKey key{cell.row, cell.col};
    auto it = cells_.find(key);
    const std::wstring_view oldText = it != cells_.end() ? std::wstring_view(it->second.text) : std::wstring_view();
    if (newText == oldText) return TRUE;  // nothing to redraw
    if (it == cells_.end()) it = cells_.emplace(key, CellData{}).first;
    it->second.text.assign(newText);
    if (it->second.text.empty() && it->second.align == TGA_DEFAULT) cells_.erase(it);
    InvalidateCell(cell);
    return TRUE;
}

LRESULT GridWindow::GetCellText(TGCELLTEXT* request) const {
    if (request == nullptr || request->pszText == nullptr || request->cchTextMax <= 0) return 0;
    const CellData* data =
        geometry_.Contains({request->col, request->row}) ? Find({request->col, request->row}) : nullptr;
    const std::size_t n =
        data != nullptr ? std::min(data->text.size(), static_cast<std::size_t>(request->cchTextMax - 1)) : 0;
    if (n > 0) std::memcpy(request->pszText, data->text.data(), n * sizeof(wchar_t));
    request->pszText[n] = L'\0';
    return static_cast<LRESULT>(n);
}

int GridWindow::EffectiveAlign(GridCell cell) const {
    const CellData* data = Find(cell);
    if (data != nullptr && data->align != TGA_DEFAULT) return data->align;
    return colAlign_[static_cast<std::size_t>(cell.col)];
}

LRESULT GridWindow::SetCellAlign(GridCell cell, LPARAM align) {
    if (!geometry_.Contains(cell) || (align != TGA_DEFAULT && !ValidAlign(align))) return FALSE;
    const CellKey key{cell.row, cell.col};
    auto it = cells_.find(key);
    const int old = it != cells_.end() ? it->second.align : TGA_DEFAULT;
    if (old == static_cast<int>(align)) return TRUE;
    if (it == cells_.end()) it = cells_.emplace(key, CellData{}).first;
    it->second.align = static_cast<int>(align);
    if (it->second.text.empty() && it->second.align == TGA_DEFAULT) cells_.erase(it);
    InvalidateCell(cell);
    return TRUE;
}

bool GridWindow::SetCurrent(GridCell cell, UINT cause) {
    if (!geometry_.Selectable(cell)) return false;
    const GridCell old = current_;
    if (cell != old) InvalidateCell(old);
    current_ = cell;
    if (geometry_.EnsureVisible(cell.row)) {
        InvalidateScrollingRows();
        UpdateScrollBar();
    } else if (cell != old) {
        InvalidateCell(cell);
    }
    if (cell != old) Notify(old, cause);
    return true;
}

void GridWindow::Notify(GridCell old, UINT cause) {
    const HWND parent = GetParent(hwnd_);
    if (parent == nullptr) return;
    NMTEXTGRID nm{};
    nm.hdr.hwndFrom = hwnd_;
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd_));
    nm.hdr.code = TGN_SELCHANGED;
    nm.col = current_.col;
    nm.row = current_.row;
    nm.oldCol = old.col;
    nm.oldRow = old.row;
    nm.cause = cause;
    SendMessageW(parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

void GridWindow::ScrollTo(int topRow) {
    if (!geometry_.SetTopRow(topRow)) return;
    InvalidateScrollingRows();
    UpdateScrollBar();
}

void GridWindow::OnScrollBar(WORD request) {
    const int top = geometry_.TopRow();
    const int page = geometry_.RowsPerPage();
    switch (request) {
        case SB_LINEUP:
            ScrollTo(top - 1);
            break;
        case SB_LINEDOWN:
            ScrollTo(top + 1);
            break;
        case SB_PAGEUP:
            ScrollTo(top - page);
            break;
        case SB_PAGEDOWN:
            ScrollTo(top + page);
            break;
        case SB_TOP:
            ScrollTo(0);
            break;
        case SB_BOTTOM:
            ScrollTo(kMaxGridRows);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            // The 32-bit track position, not the message's 16-bit one.
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            if (GetScrollInfo(hwnd_, SB_VERT, &si)) ScrollTo(geometry_.FixedRows() + si.nTrackPos);
            break;
        }
        default:
            break;
    }
}

void GridWindow::OnWheel(int delta) {
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    // Partial notches (fine-grained wheels) add up until they make a whole one.
    wheelRest_ += delta;
    const int notches = wheelRest_ / WHEEL_DELTA;
    wheelRest_ %= WHEEL_DELTA;
    if (notches == 0 || lines == 0) return;
    const int perNotch = lines == WHEEL_PAGESCROLL ? geometry_.RowsPerPage() : static_cast<int>(std::min(lines, 100U));
    ScrollTo(geometry_.TopRow() - notches * perNotch);
}

void GridWindow::OnKey(WPARAM key) {
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    GridKey move;
    switch (key) {
        case VK_LEFT:
            move = GridKey::Left;
            break;
        case VK_RIGHT:
            move = GridKey::Right;
            break;
        case VK_UP:
            move = GridKey::Up;
            break;
        case VK_DOWN:
            move = GridKey::Down;
            break;
        case VK_HOME:
            move = ctrl ? GridKey::CtrlHome : GridKey::Home;
            break;
        case VK_END:
            move = ctrl ? GridKey::CtrlEnd : GridKey::End;
            break;
        case VK_PRIOR:
            move = GridKey::PageUp;
            break;
        case VK_NEXT:
            move = GridKey::PageDown;
            break;
        default:
            return;
    }
    SetCurrent(geometry_.Move(current_, move), TGC_KEYBOARD);
}

void GridWindow::UpdateScrollBar() {
    if (!wantsScrollBar_ || updatingScrollBar_) return;
    // Showing or hiding the bar resizes the client area and comes back here.
    updatingScrollBar_ = true;
    const GridScrollRange range = geometry_.ScrollRange();
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = range.max;
    si.nPage = static_cast<UINT>(range.page);
    si.nPos = geometry_.TopRow() - geometry_.FixedRows();
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
    updatingScrollBar_ = false;
}

void GridWindow::InvalidateCell(GridCell cell) {
    GridRect r;
    if (!geometry_.CellRect(cell, &r)) return;
    const RECT rect = ToRect(r);
    if (updating_ == 0) {
        InvalidateRect(hwnd_, &rect, FALSE);
        return;
    }
    // Invalidating is a trip to the window manager; adding to a region is not.
    if (!pending_) {
        pending_ = GdiRegion(CreateRectRgnIndirect(&rect));
    } else {
        const GdiRegion more(CreateRectRgnIndirect(&rect));
        CombineRgn(pending_.Get(), pending_.Get(), more.Get(), RGN_OR);
    }
}

void GridWindow::InvalidateScrollingRows() {
    RECT rect{};
    GetClientRect(hwnd_, &rect);
    rect.top = std::min(geometry_.FixedHeight(), static_cast<int>(rect.bottom));
    InvalidateRect(hwnd_, &rect, FALSE);
}

void GridWindow::Paint() {
    // The cells of one tick lie scattered over the grid: their bounding box
    // would be most of it, so only the cells in the region itself are drawn.
    GdiRegion update(CreateRectRgn(0, 0, 0, 0));
    if (update && GetUpdateRgn(hwnd_, update.Get(), FALSE) == ERROR) update.Reset();
    const PaintDc paint(hwnd_);
    const RECT& clip = paint.PaintRect();
    const int width = clip.right - clip.left;
    const int height = clip.bottom - clip.top;
    if (paint.Get() == nullptr || width <= 0 || height <= 0) return;
    // Drawn off screen, then copied in one go: no flicker.
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (!backDc_ || backSize_.cx < client.right || backSize_.cy < client.bottom) {
        backDc_.reset();
        backDc_ = std::make_unique<MemoryDc>(paint.Get());
        backBitmap_ = GdiBitmap(*backDc_ ? CreateCompatibleBitmap(paint.Get(), client.right, client.bottom) : nullptr);
        backSize_ = backBitmap_ ? SIZE{client.right, client.bottom} : SIZE{};
        if (backBitmap_) SelectObject(backDc_->Get(), backBitmap_.Get());
    }
    if (!backBitmap_) {
        Draw(paint.Get(), clip, update.Get());  // short of memory: straight to the screen
        return;
    }
    Draw(backDc_->Get(), clip, update.Get());
    BitBlt(paint.Get(), clip.left, clip.top, width, height, backDc_->Get(), clip.left, clip.top, SRCCOPY);
}

void GridWindow::Draw(HDC dc, const RECT& clip, HRGN update) const {
    if (update != nullptr) {
        FillRgn(dc, update, GetSysColorBrush(COLOR_WINDOW));
    } else {
        FillRect(dc, &clip, GetSysColorBrush(COLOR_WINDOW));
    }
    const SelectedObject font(dc, font_ != nullptr ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    auto drawRow = [&](int row) {
        for (int col = 0; col < geometry_.ColCount(); ++col) {
            GridRect r;
            if (!geometry_.CellRect({col, row}, &r)) continue;
            const RECT rect = ToRect(r);
            RECT overlap;
            if (!IntersectRect(&overlap, &rect, &clip)) continue;
            if (update == nullptr || RectInRegion(update, &rect)) DrawCell(dc, {col, row}, rect);
        }
    };
    for (int row = 0; row < geometry_.FixedRows(); ++row) drawRow(row);
    for (int row = geometry_.FirstVisibleRow(); row <= geometry_.LastVisibleRow(); ++row) drawRow(row);
}

void GridWindow::DrawCell(HDC dc, GridCell cell, const RECT& rect) const {
    const bool fixed = cell.row < geometry_.FixedRows();
    // Marked only while the grid has the focus, as the classic grids do: a
    // display grid does not single out one value in blue.
    const bool current = cell == current_ && GetFocus() == hwnd_;
    // The grid lines take the cell's last pixel column and row.
    RECT inside{rect.left, rect.top, std::max(rect.left, rect.right - 1), std::max(rect.top, rect.bottom - 1)};
    const RECT right{inside.right, rect.top, rect.right, rect.bottom};
    const RECT bottom{rect.left, inside.bottom, rect.right, rect.bottom};
    const HBRUSH line = GetSysColorBrush(fixed ? COLOR_3DDKSHADOW : COLOR_3DSHADOW);
    FillRect(dc, &right, line);
    FillRect(dc, &bottom, line);
    if (fixed) {
        FillRect(dc, &inside, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &inside, BDR_RAISEDINNER, BF_RECT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    } else if (current) {
        FillRect(dc, &inside, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        FillRect(dc, &inside, GetSysColorBrush(COLOR_WINDOW));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    }
    const CellData* data = Find(cell);
    if (data != nullptr && !data->text.empty()) {
        RECT text = inside;
        InflateRect(&text, -kTextMargin, 0);
        const bool lines = data->text.find(L'\n') != std::wstring::npos;
        UINT format = (lines ? 0 : DT_SINGLELINE | DT_VCENTER) | DT_NOPREFIX;
        if (lines) {
            // A text of several lines, centred as a whole in the cell's height.
            RECT needed = text;
            DrawTextW(dc, data->text.data(), static_cast<int>(data->text.size()), &needed, format | DT_CALCRECT);
            text.top += std::max(0L, ((text.bottom - text.top) - (needed.bottom - needed.top)) / 2);
        }
        const int align = EffectiveAlign(cell);
        format |= align == TGA_RIGHT ? DT_RIGHT : align == TGA_CENTER ? DT_CENTER : DT_LEFT;
        // A number cut short must show it (its last digits would look like
        // a whole value); a word cut by a pixel or two reads better clipped.
        if (align == TGA_RIGHT) format |= DT_END_ELLIPSIS;
        const int length = static_cast<int>(std::min<std::size_t>(data->text.size(), kMaxDrawnChars));
        DrawTextW(dc, data->text.data(), length, &text, format);
    }
    if (current) DrawFocusRect(dc, &inside);
}

LRESULT CALLBACK TextGridProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<GridWindow*>(GetWindowLongPtrW(hwnd, 0));
    if (message == WM_NCCREATE) {
        self = new (std::nothrow) GridWindow(hwnd);
        if (self == nullptr) return FALSE;
        SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(self));
    } else if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, 0, 0);
        delete self;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    // No exception may unwind through the system's code: a text too large to
    // store is refused instead.
    try {
        return self->Handle(message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

}  // namespace

bool RegisterTextGridClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, WC_TEXTGRIDW, &wc)) return true;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = TextGridProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = WC_TEXTGRIDW;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace vexla::ui
