#pragma once
// The text grid's layout without any window: which cell is at a point, where
// a cell is drawn, which rows show for a scroll position, how far the rows
// scroll and where the keyboard moves the current cell. Rows below the fixed
// (header) rows scroll by whole rows; columns do not scroll.

#include <cstdint>
#include <vector>

namespace vexla::ui {

// Counts are kept below 0x8000 so that a cell address fits the 16-bit halves
// of a message parameter.
inline constexpr int kMaxGridCols = 0x7FFF;
inline constexpr int kMaxGridRows = 0x7FFF;
// Widths and heights in pixels; larger ones would overflow the sums.
inline constexpr int kMaxGridExtent = 0x7FFF;

struct GridCell {
    int col = -1;
    int row = -1;
    friend bool operator==(const GridCell&, const GridCell&) = default;
};
inline constexpr GridCell kNoCell{};

struct GridRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const GridRect&, const GridRect&) = default;
};

// A scroll bar over the scrolling rows: positions 0..max, where position p
// shows row fixedRows + p first. `page` makes the bar's last position
// (max - page + 1) the last useful top row.
struct GridScrollRange {
    int max = 0;
    int page = 0;
    friend bool operator==(const GridScrollRange&, const GridScrollRange&) = default;
};

enum class GridKey { Left, Right, Up, Down, Home, End, PageUp, PageDown, CtrlHome, CtrlEnd };

class GridGeometry {
  public:
    static constexpr int kDefaultColWidth = 64;
    static constexpr int kDefaultRowHeight = 20;

    // Setters refuse values out of range (false) and change nothing then.
    bool SetColCount(int count);
    bool SetRowCount(int count);
    bool SetFixedRows(int count);  // at most the row count
    bool SetColWidth(int col, int width);
    bool SetRowHeight(int row, int height);
    bool SetDefaultRowHeight(int height);
    // The client area's height: it decides how many rows show at once.
    void SetViewHeight(int height);

    int ColCount() const { return static_cast<int>(colWidths_.size()); }
    int RowCount() const { return static_cast<int>(rowHeights_.size()); }
    int FixedRows() const { return fixedRows_; }
    int ColWidth(int col) const;   // -1 when out of range
    int RowHeight(int row) const;  // -1 when out of range
    int DefaultRowHeight() const { return defaultRowHeight_; }
    int ViewHeight() const { return viewHeight_; }
    int TotalWidth() const;
    int FixedHeight() const;

    bool Contains(GridCell cell) const;
    // A cell the user may make current: in range and not in a fixed row.
    bool Selectable(GridCell cell) const;
    // The first selectable cell, or kNoCell.
    GridCell FirstSelectable() const;

    // Top row: the first scrolling row shown, kept in [FixedRows(), MaxTopRow()].
    int TopRow() const { return topRow_; }
    int MaxTopRow() const;
    // Returns whether the top row moved.
    bool SetTopRow(int row);
    bool ScrollBy(int rows) { return SetTopRow(topRow_ + rows); }
    // Scrolls the least that shows the row completely (or, for a row taller
    // than the view, its top). Fixed rows always show.
    bool EnsureVisible(int row);
    // Scrolling rows shown at least in part: [first, last], last < first when none.
    int FirstVisibleRow() const { return topRow_; }
    int LastVisibleRow() const;
    // Scrolling rows that show completely, at least 1 while there are any:
    // the step of PgUp/PgDn and the scroll bar's page.
    int RowsPerPage() const;
    GridScrollRange ScrollRange() const;

    // The cell's rectangle, grid lines included (they take the last pixel
    // column and row); false for cells out of range or scrolled out of view.
    bool CellRect(GridCell cell, GridRect* rect) const;
    // The cell under a client point, or kNoCell.
    GridCell CellAt(int x, int y) const;
    // Where a key moves the current cell; a move that would leave the
    // selectable cells stops at their edge.
    GridCell Move(GridCell from, GridKey key) const;

  private:
    int RowTop(int row) const;  // for visible rows only
    int ColLeft(int col) const;
    void ClampTopRow();

    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;  // -1: the default height
    int fixedRows_ = 0;
    int defaultRowHeight_ = kDefaultRowHeight;
    int viewHeight_ = 0;
    int topRow_ = 0;
};

}  // namespace vexla::ui
