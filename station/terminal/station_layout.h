#pragma once
// Where the station's parts land on a terminal, from the top: the title with
// the shift's counters, the part's identity, the verdict, the mastering
// warning; then the tiles in a grid; then the process panel (the selected
// characteristic's chart and the Ppk list), the message line and the key
// help. The tiles get the room first: the chart gives up rows for them, down
// to one. Portable: no terminal library here.

#include <string>
#include <vector>

#include "station/model/tile_state.h"

namespace vexla::station::terminal {

struct Size {
    int width = 0;
    int height = 0;
};

struct Box {
    int y = 0;
    int x = 0;
    int width = 0;
    int height = 0;
};

inline constexpr int kMinTileWidth = 14;  // "通道32" and "-123.456" with room around
inline constexpr int kMaxTileWidth = 28;  // wider tiles only spread the bar thinner
inline constexpr int kTileLines = 3;      // name, displacement, tolerance bar
inline constexpr int kMaxChartRows = 7;
inline constexpr int kMinWidth = 40;

class StationLayout {
  public:
    static StationLayout For(Size size, int tiles);

    // False: the terminal is too small for the tiles and the lines around.
    bool Fits() const { return fits_; }
    Size Screen() const { return size_; }

    static constexpr int TitleRow() { return 0; }
    static constexpr int IdentityRow() { return 1; }
    static constexpr int VerdictRow() { return 2; }
    static constexpr int WarningRow() { return 3; }
    int Columns() const { return columns_; }
    const Box& Tile(int index) const { return tiles_.at(static_cast<std::size_t>(index)); }
    int TileCount() const { return static_cast<int>(tiles_.size()); }
    // The panel's heading, its chart rows below it, then the Ppk line.
    int PanelRow() const { return panelRow_; }
    int ChartRows() const { return chartRows_; }
    int CapabilityRow() const { return panelRow_ + 1 + chartRows_; }
    int MessageRow() const { return size_.height - 2; }
    int HelpRow() const { return size_.height - 1; }

  private:
    Size size_;
    bool fits_ = false;
    int columns_ = 0;
    std::vector<Box> tiles_;
    int panelRow_ = 0;
    int chartRows_ = 0;
};

// The tile's bar in `cells` cells, e.g. "[----|--*---]": the nominal '|'
// and the value's marker '*' between the limits; '<' or '>' at the end the
// value lies beyond. Without a place on the bar (no limits, silent): blank.
std::string ToleranceBar(const TileState& tile, int cells);

}  // namespace vexla::station::terminal
