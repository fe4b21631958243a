#pragma once
// Where the monitor's 19 × 11 grid lands on a terminal. The window shows its
// eight blocks of four channels four across in two halves (channels 1-16
// over 17-32); a terminal narrower than that gets them two across, each half
// as two block rows under one heading line. Every shown grid cell has one
// place, so a changed cell is redrawn where it stands and a mouse click maps
// back to the cell under it. Portable: no terminal library here.
//
// Besides the window's columns a block can show each channel's displacement
// with its minimum, maximum and range since the last reset; those columns
// are the terminal's own and have no cell in the model's grid.

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "monitor/model/monitor_model.h"
#include "monitor/model/monitor_texts.h"

namespace vexla::monitor::terminal {

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// What a column of a block shows; the first four are the model's.
enum class Column { Number, Value, Displacement, Rate, Minimum, Maximum, Range, Chart };

// Charts: the statistics with each channel's control chart state, when
// control limits were given.
enum class View { Readings, Statistics, Charts };

struct BlockColumn {
    Column column;
    int cells;
    std::string_view heading;
};

// The value columns hold the widest heading, "仪表显示(mm)"; the values
// themselves are ten characters.
inline constexpr std::array<BlockColumn, 4> kReadingColumns = {{{Column::Number, 4, texts::kBlockHeadings[0]},
                                                                {Column::Value, 12, texts::kBlockHeadings[1]},
                                                                {Column::Displacement, 12, texts::kBlockHeadings[2]},
                                                                {Column::Rate, 6, texts::kBlockHeadings[3]}}};
// Nine cells take "-999.9999", the widest extreme of a 0.001 mm gauge in its
// finest display mode.
inline constexpr std::array<BlockColumn, 5> kStatisticColumns = {{{Column::Number, 4, texts::kBlockHeadings[0]},
                                                                  {Column::Displacement, 12, texts::kBlockHeadings[2]},
                                                                  {Column::Minimum, 9, "最小(mm)"},
                                                                  {Column::Maximum, 9, "最大(mm)"},
                                                                  {Column::Range, 9, "范围(mm)"}}};
// "受控" (in control), or "失控" and the rule last broken: "失控R2", "失控MR".
inline constexpr std::array<BlockColumn, 6> kChartColumns = {{{Column::Number, 4, texts::kBlockHeadings[0]},
                                                              {Column::Displacement, 12, texts::kBlockHeadings[2]},
                                                              {Column::Minimum, 9, "最小(mm)"},
                                                              {Column::Maximum, 9, "最大(mm)"},
                                                              {Column::Range, 9, "范围(mm)"},
                                                              {Column::Chart, 8, "控制"}}};

std::span<const BlockColumn> ColumnsOf(View view);

inline constexpr int kColumnGap = 1;
// Between two blocks: a space, a rule and a space.
inline constexpr int kBlockGap = 3;
// Lines above and below the grid: the title; the two option groups, the
// command buttons and the help line.
inline constexpr int kLinesAbove = 1;
inline constexpr int kLinesBelow = 3;
// A blank column on either side; the lines of text around the grid fit in
// kTextCells, so an 80-column terminal shows everything.
inline constexpr int kMargin = 1;
inline constexpr int kTextCells = 78;

int BlockCells(View view);

struct Placement {
    bool shown = false;
    int y = 0;
    int x = 0;
    int width = 0;
};

class ScreenLayout {
  public:
    // The widest arrangement of the view that fits the screen; !Fits() when none does.
    static ScreenLayout For(Size screen, View view = View::Readings);
    // The smallest screen the view can be shown on.
    static Size Minimum(View view = View::Readings);

    bool Fits() const { return across_ != 0; }
    int BlocksAcross() const { return across_; }
    View Shown() const { return view_; }
    // What this arrangement needs.
    Size Needed() const;

    // A heading or channel cell of the model's grid; hidden when the view
    // has no column for it.
    Placement Place(CellRef cell) const;
    // A column of channel 0..31, whether the model holds it or not.
    Placement Place(int channel, Column column) const;
    // The heading over that column of the channel's block, shown only on a
    // heading line.
    Placement PlaceHeading(int channel, Column column) const;
    // The grid cell under a screen position (a mouse click).
    std::optional<CellRef> CellUnder(int y, int x) const;
    // The channel cell next to `from` in a screen direction, staying at the
    // edges; from a heading (or any cell not of a channel) the first
    // channel cell of that column; from a cell this view hides, the
    // channel's displacement.
    CellRef Move(CellRef from, int dx, int dy) const;

    int TitleRow() const { return 0; }
    int ControlsRow() const { return kLinesAbove + GridLines(); }
    int ActionsRow() const { return ControlsRow() + 1; }
    int HelpRow() const { return ControlsRow() + 2; }
    int Left() const { return kMargin; }
    int GridTop() const { return kLinesAbove; }
    int GridLines() const;
    int GridCells() const;
    // The blank line between channels 1-16 and 17-32.
    int SeparatorRow() const { return GridTop() + HalfLines(); }
    // The screen columns of the rules between blocks.
    std::vector<int> RuleColumns() const;

  private:
    ScreenLayout(int across, View view) : across_(across), view_(view) {}
    static Size NeededFor(int across, View view);
    int HalfLines() const;
    // The column's place among the view's, or -1.
    int IndexOf(Column column) const;
    Placement PlaceAt(int half, int blockInHalf, int line, Column column) const;

    int across_ = 0;
    View view_ = View::Readings;
};

}  // namespace vexla::monitor::terminal
