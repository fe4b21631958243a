#pragma once
// Where the monitor's 19 × 11 grid lands on a terminal. The window shows its
// eight blocks of four channels four across in two halves (channels 1-16
// over 17-32); a terminal narrower than that gets them two across, each half
// as two block rows under one heading line. Every shown grid cell has one
// place, so a changed cell is redrawn where it stands and a mouse click maps
// back to the cell under it. Portable: no terminal library here.

#include <array>
#include <optional>
#include <vector>

#include "model/monitor_model.h"

namespace vexla::monitor::terminal {

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Cells of a block's four columns: number, display value, displacement, rate.
// The value columns hold the widest heading, "仪表显示(mm)"; the values
// themselves are ten characters.
inline constexpr std::array<int, 4> kColumnCells = {4, 12, 12, 6};
inline constexpr int kColumnGap = 1;
// Between two blocks: a space, a rule and a space.
inline constexpr int kBlockGap = 3;
inline constexpr int kBlockCells = 4 + 12 + 12 + 6 + 3 * kColumnGap;
// Lines above and below the grid: the title; the two option groups, the
// command buttons and the help line.
inline constexpr int kLinesAbove = 1;
inline constexpr int kLinesBelow = 3;
// A blank column on either side; the lines of text around the grid fit in
// kTextCells, so an 80-column terminal shows everything.
inline constexpr int kMargin = 1;
inline constexpr int kTextCells = 78;

struct Placement {
    bool shown = false;
    int y = 0;
    int x = 0;
    int width = 0;
};

class ScreenLayout {
  public:
    // The widest arrangement that fits the screen; !Fits() when none does.
    static ScreenLayout For(Size screen);
    // The smallest screen the monitor can be shown on.
    static Size Minimum();

    bool Fits() const { return across_ != 0; }
    int BlocksAcross() const { return across_; }
    // What this arrangement needs.
    Size Needed() const;

    Placement Place(CellRef cell) const;
    // The grid cell under a screen position (a mouse click).
    std::optional<CellRef> CellUnder(int y, int x) const;
    // The channel cell next to `from` in a screen direction, staying at the
    // edges; from a heading (or any cell not of a channel) the first
    // channel cell of that column.
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
    explicit ScreenLayout(int across) : across_(across) {}
    static Size NeededFor(int across);
    int HalfLines() const;

    int across_ = 0;
};

}  // namespace vexla::monitor::terminal
