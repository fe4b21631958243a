#include "ui/win32/grid_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vexla::ui {
namespace {

// 3 columns (40, 60, 80 px), 10 rows of 20 px, the first fixed, a view of
// 100 px: the header and 4 scrolling rows show at once.
GridGeometry MakeGrid() {
    GridGeometry g;
    g.SetColCount(3);
    g.SetRowCount(10);
    g.SetFixedRows(1);
    g.SetColWidth(0, 40);
    g.SetColWidth(1, 60);
    g.SetColWidth(2, 80);
    g.SetViewHeight(100);
    return g;
}

TEST(GridGeometry, RefusesValuesOutOfRangeAndKeepsTheOldOnes) {
    GridGeometry g = MakeGrid();
    EXPECT_FALSE(g.SetColCount(-1));
    EXPECT_FALSE(g.SetColCount(kMaxGridCols + 1));
    EXPECT_FALSE(g.SetRowCount(kMaxGridRows + 1));
    EXPECT_FALSE(g.SetFixedRows(11));
    EXPECT_FALSE(g.SetColWidth(3, 10));
    EXPECT_FALSE(g.SetColWidth(0, -1));
    EXPECT_FALSE(g.SetRowHeight(10, 5));
    EXPECT_FALSE(g.SetRowHeight(0, kMaxGridExtent + 1));
    EXPECT_EQ(g.ColCount(), 3);
    EXPECT_EQ(g.RowCount(), 10);
    EXPECT_EQ(g.FixedRows(), 1);
    EXPECT_EQ(g.ColWidth(0), 40);
    EXPECT_EQ(g.ColWidth(3), -1);
    EXPECT_EQ(g.RowHeight(-1), -1);
}

TEST(GridGeometry, ShrinkingTheRowsTakesTheFixedRowsAndTheTopRowAlong) {
    GridGeometry g = MakeGrid();
    g.SetFixedRows(5);
    g.SetTopRow(9);
    ASSERT_TRUE(g.SetRowCount(3));
    EXPECT_EQ(g.FixedRows(), 3);
    EXPECT_EQ(g.TopRow(), 3);
    EXPECT_EQ(g.FirstSelectable(), kNoCell);
    EXPECT_EQ(g.ScrollRange(), (GridScrollRange{0, 1}));
}

TEST(GridGeometry, CellAtAPoint) {
    GridGeometry g = MakeGrid();
    g.SetTopRow(3);  // rows 3..6 under the header
    struct Case {
        int x, y;
        GridCell cell;
    };
    const Case cases[] = {
        {0, 0, {0, 0}},   {39, 19, {0, 0}},  {40, 0, {1, 0}},   {179, 19, {2, 0}}, {180, 0, kNoCell},
        {0, 20, {0, 3}},  {100, 39, {2, 3}}, {45, 40, {1, 4}},  {0, 99, {0, 6}},   {0, 100, {0, 7}},
        {0, 159, {0, 9}}, {0, 160, kNoCell}, {-1, 10, kNoCell}, {10, -1, kNoCell},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(g.CellAt(c.x, c.y), c.cell) << c.x << "," << c.y;
        GridRect r;
        if (c.cell != kNoCell) {
            ASSERT_TRUE(g.CellRect(c.cell, &r));
            EXPECT_TRUE(c.x >= r.left && c.x < r.right && c.y >= r.top && c.y < r.bottom) << c.x << "," << c.y;
        }
    }
    EXPECT_FALSE(g.CellRect({0, 2}, nullptr));  // scrolled above the view
    EXPECT_FALSE(g.CellRect({3, 5}, nullptr));
}

TEST(GridGeometry, ScrollRangeAndVisibleRows) {
    struct Case {
        const char* name;
        int rows, fixed, viewHeight, top;
        int maxTop, firstVisible, lastVisible, perPage;
        GridScrollRange range;
    };
    const Case cases[] = {
        // 9 scrolling rows, 4 per view: tops 1..6.
        {"scrolls", 10, 1, 100, 0, 6, 1, 4, 4, {8, 4}},
        {"scrolled to the end", 10, 1, 100, 99, 6, 6, 9, 4, {8, 4}},
        // 110 px: the 5th row shows in half, it is not a whole page row.
        {"half a row more", 10, 1, 110, 2, 6, 2, 6, 4, {8, 4}},
        {"everything fits", 3, 1, 100, 2, 1, 1, 2, 2, {1, 2}},
        {"only fixed rows", 2, 2, 100, 0, 2, 2, 1, 0, {0, 1}},
        {"no fixed rows", 10, 0, 100, 0, 5, 0, 4, 5, {9, 5}},
        // No room: the last row can still be brought to the top.
        {"view smaller than the header", 10, 1, 10, 0, 9, 1, 0, 1, {8, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GridGeometry g = MakeGrid();
        g.SetRowCount(c.rows);
        g.SetFixedRows(c.fixed);
        g.SetViewHeight(c.viewHeight);
        g.SetTopRow(c.top);
        EXPECT_EQ(g.MaxTopRow(), c.maxTop);
        EXPECT_EQ(g.FirstVisibleRow(), c.firstVisible);
        EXPECT_EQ(g.LastVisibleRow(), c.lastVisible);
        EXPECT_EQ(g.RowsPerPage(), c.perPage);
        EXPECT_EQ(g.ScrollRange(), c.range);
        // The bar's last position is the last useful top row.
        EXPECT_EQ(c.range.max - c.range.page + 1, std::max(0, c.maxTop - c.fixed));
    }
}

TEST(GridGeometry, RowsOfTheirOwnHeight) {
    GridGeometry g = MakeGrid();
    g.SetDefaultRowHeight(10);
    g.SetRowHeight(0, 30);  // the header
    g.SetRowHeight(9, 50);
    // 70 px under the header hold rows 7..9 (10 + 10 + 50) at most.
    EXPECT_EQ(g.MaxTopRow(), 7);
    EXPECT_EQ(g.CellAt(0, 29), (GridCell{0, 0}));
    EXPECT_EQ(g.CellAt(0, 30), (GridCell{0, 1}));
    EXPECT_TRUE(g.EnsureVisible(9));
    EXPECT_EQ(g.TopRow(), 7);
    EXPECT_EQ(g.CellAt(0, 49), (GridCell{0, 8}));
    EXPECT_EQ(g.CellAt(0, 50), (GridCell{0, 9}));
}

TEST(GridGeometry, EnsureVisibleScrollsTheLeast) {
    struct Case {
        int top, row;
        bool moves;
        int newTop;
    };
    const Case cases[] = {
        {1, 1, false, 1},  {1, 4, false, 1}, {1, 5, true, 2},
        {1, 9, true, 6},   {6, 5, true, 5},  {6, 0, false, 6},  // fixed rows always show
        {6, 10, false, 6},
    };
    for (const Case& c : cases) {
        GridGeometry g = MakeGrid();
        g.SetTopRow(c.top);
        EXPECT_EQ(g.EnsureVisible(c.row), c.moves) << c.top << " " << c.row;
        EXPECT_EQ(g.TopRow(), c.newTop) << c.top << " " << c.row;
    }
}

TEST(GridGeometry, KeyboardMovesStopAtTheSelectableEdge) {
    struct Case {
        GridCell from;
        GridKey key;
        GridCell to;
    };
    const Case cases[] = {
        {{1, 5}, GridKey::Left, {0, 5}},    {{0, 5}, GridKey::Left, {0, 5}},     {{2, 5}, GridKey::Right, {2, 5}},
        {{1, 1}, GridKey::Up, {1, 1}},      {{1, 2}, GridKey::Up, {1, 1}},       {{1, 9}, GridKey::Down, {1, 9}},
        {{1, 5}, GridKey::Home, {0, 5}},    {{1, 5}, GridKey::End, {2, 5}},      {{2, 7}, GridKey::CtrlHome, {0, 1}},
        {{0, 3}, GridKey::CtrlEnd, {2, 9}}, {{1, 1}, GridKey::PageDown, {1, 5}}, {{1, 8}, GridKey::PageDown, {1, 9}},
        {{1, 3}, GridKey::PageUp, {1, 1}},  {kNoCell, GridKey::Down, {0, 1}},    {{0, 0}, GridKey::Right, {0, 1}},
    };
    const GridGeometry g = MakeGrid();
    for (const Case& c : cases) {
        EXPECT_EQ(g.Move(c.from, c.key), c.to) << c.from.col << "," << c.from.row << " key " << static_cast<int>(c.key);
    }
}

}  // namespace
}  // namespace vexla::ui
