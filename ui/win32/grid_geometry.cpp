#include "ui/win32/grid_geometry.h"

#include <algorithm>

namespace vexla::ui {

bool GridGeometry::SetColCount(int count) {
    if (count < 0 || count > kMaxGridCols) return false;
    colWidths_.resize(static_cast<std::size_t>(count), kDefaultColWidth);
    return true;
}

bool GridGeometry::SetRowCount(int count) {
    if (count < 0 || count > kMaxGridRows) return false;
    rowHeights_.resize(static_cast<std::size_t>(count), -1);
    fixedRows_ = std::min(fixedRows_, count);
    ClampTopRow();
    return true;
}

bool GridGeometry::SetFixedRows(int count) {
    if (count < 0 || count > RowCount()) return false;
    fixedRows_ = count;
    ClampTopRow();
    return true;
}

bool GridGeometry::SetColWidth(int col, int width) {
    if (col < 0 || col >= ColCount() || width < 0 || width > kMaxGridExtent) return false;
    colWidths_[static_cast<std::size_t>(col)] = width;
    return true;
}

bool GridGeometry::SetRowHeight(int row, int height) {
    if (row < 0 || row >= RowCount() || height < 0 || height > kMaxGridExtent) return false;
    rowHeights_[static_cast<std::size_t>(row)] = height;
    ClampTopRow();
    return true;
}

bool GridGeometry::SetDefaultRowHeight(int height) {
    if (height < 0 || height > kMaxGridExtent) return false;
    defaultRowHeight_ = height;
    ClampTopRow();
    return true;
}

void GridGeometry::SetViewHeight(int height) {
    viewHeight_ = std::max(0, height);
    ClampTopRow();
}

int GridGeometry::ColWidth(int col) const {
    if (col < 0 || col >= ColCount()) return -1;
    return colWidths_[static_cast<std::size_t>(col)];
}

int GridGeometry::RowHeight(int row) const {
    if (row < 0 || row >= RowCount()) return -1;
    const int h = rowHeights_[static_cast<std::size_t>(row)];
    return h < 0 ? defaultRowHeight_ : h;
}

int GridGeometry::TotalWidth() const {
    int sum = 0;
    for (int w : colWidths_) sum += w;
    return sum;
}

int GridGeometry::FixedHeight() const {
    int sum = 0;
    for (int r = 0; r < fixedRows_; ++r) sum += RowHeight(r);
    return sum;
}

bool GridGeometry::Contains(GridCell cell) const {
    return cell.col >= 0 && cell.col < ColCount() && cell.row >= 0 && cell.row < RowCount();
}

bool GridGeometry::Selectable(GridCell cell) const {
    return Contains(cell) && cell.row >= fixedRows_;
}

GridCell GridGeometry::FirstSelectable() const {
    const GridCell first{0, fixedRows_};
    return Selectable(first) ? first : kNoCell;
}

int GridGeometry::MaxTopRow() const {
    const int n = RowCount();
    if (n <= fixedRows_) return fixedRows_;
    const int available = viewHeight_ - FixedHeight();
    // The lowest top row from which all remaining rows fit.
    int top = n;
    int sum = 0;
    while (top > fixedRows_ && sum + RowHeight(top - 1) <= available) {
        sum += RowHeight(top - 1);
        --top;
    }
    // Not even the last row fits: it may still be scrolled to the top.
    return std::min(top, n - 1);
}

void GridGeometry::ClampTopRow() {
    topRow_ = std::clamp(topRow_, fixedRows_, MaxTopRow());
}

bool GridGeometry::SetTopRow(int row) {
    const int old = topRow_;
    topRow_ = std::clamp(row, fixedRows_, MaxTopRow());
    return topRow_ != old;
}

bool GridGeometry::EnsureVisible(int row) {
    if (row < fixedRows_ || row >= RowCount()) return false;
    if (row < topRow_) return SetTopRow(row);
    const int available = viewHeight_ - FixedHeight();
    int top = topRow_;
    int sum = 0;
    for (int r = top; r <= row; ++r) sum += RowHeight(r);
    while (top < row && sum > available) {
        sum -= RowHeight(top);
        ++top;
    }
    return SetTopRow(top);
}

int GridGeometry::LastVisibleRow() const {
    int y = FixedHeight();
    int row = topRow_;
    while (row < RowCount() && y < viewHeight_) y += RowHeight(row++);
    return row - 1;
}

int GridGeometry::RowsPerPage() const {
    if (RowCount() <= fixedRows_) return 0;
    int y = FixedHeight();
    int count = 0;
    for (int row = topRow_; row < RowCount() && y + RowHeight(row) <= viewHeight_; ++row) {
        y += RowHeight(row);
        ++count;
    }
    return std::max(1, count);
}

GridScrollRange GridGeometry::ScrollRange() const {
    const int scrolling = RowCount() - fixedRows_;
    if (scrolling <= 0) return {0, 1};
    return {scrolling - 1, scrolling - (MaxTopRow() - fixedRows_)};
}

int GridGeometry::ColLeft(int col) const {
    int x = 0;
    for (int c = 0; c < col; ++c) x += colWidths_[static_cast<std::size_t>(c)];
    return x;
}

int GridGeometry::RowTop(int row) const {
    if (row < fixedRows_) {
        int y = 0;
        for (int r = 0; r < row; ++r) y += RowHeight(r);
        return y;
    }
    int y = FixedHeight();
    for (int r = topRow_; r < row; ++r) y += RowHeight(r);
    return y;
}

bool GridGeometry::CellRect(GridCell cell, GridRect* rect) const {
    if (!Contains(cell) || (cell.row >= fixedRows_ && cell.row < topRow_)) return false;
    const int left = ColLeft(cell.col);
    const int top = RowTop(cell.row);
    if (rect != nullptr) *rect = {left, top, left + ColWidth(cell.col), top + RowHeight(cell.row)};
    return true;
}

GridCell GridGeometry::CellAt(int x, int y) const {
    if (x < 0 || y < 0) return kNoCell;
    GridCell cell;
    for (int c = 0, left = 0; c < ColCount(); ++c) {
        left += ColWidth(c);
        if (x < left) {
            cell.col = c;
            break;
        }
    }
    int top = 0;
    for (int r = 0; r < fixedRows_; ++r) {
        top += RowHeight(r);
        if (y < top) {
            cell.row = r;
            break;
        }
    }
    for (int r = topRow_; cell.row < 0 && r < RowCount(); ++r) {
        top += RowHeight(r);
        if (y < top) cell.row = r;
    }
    return cell.col < 0 || cell.row < 0 ? kNoCell : cell;
}

GridCell GridGeometry::Move(GridCell from, GridKey key) const {
    if (!Selectable(from)) return FirstSelectable();
    const int lastCol = ColCount() - 1;
    const int lastRow = RowCount() - 1;
    GridCell to = from;
    switch (key) {
        case GridKey::Left:
            to.col -= 1;
            break;
        case GridKey::Right:
            to.col += 1;
            break;
        case GridKey::Up:
            to.row -= 1;
            break;
        case GridKey::Down:
            to.row += 1;
            break;
        case GridKey::Home:
            to.col = 0;
            break;
        case GridKey::End:
            to.col = lastCol;
            break;
        case GridKey::PageUp:
            to.row -= RowsPerPage();
            break;
        case GridKey::PageDown:
            to.row += RowsPerPage();
            break;
        case GridKey::CtrlHome:
            to = {0, fixedRows_};
            break;
        case GridKey::CtrlEnd:
            to = {lastCol, lastRow};
            break;
    }
    to.col = std::clamp(to.col, 0, lastCol);
    to.row = std::clamp(to.row, fixedRows_, lastRow);
    return to;
}

}  // namespace vexla::ui
