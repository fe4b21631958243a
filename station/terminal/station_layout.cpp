#include "station_layout.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vexla::station::terminal {

namespace {

constexpr int kHeaderRows = 4;  // title, identity, verdict, warning
constexpr int kFooterRows = 2;  // message, help

int TileWidth(int width, int columns) {
    return std::min(kMaxTileWidth, (width - (columns - 1)) / columns);
}

// The fewest columns whose tiles are no wider than they need be, else the
// fewest that fit at all: none when no count fits `lines`.
int ColumnsFor(int tiles, int width, int lines, int pitch) {
    int fitting = 0;
    for (int columns = 1; columns <= tiles; ++columns) {
        if ((width - (columns - 1)) / columns < kMinTileWidth) break;
        const int rows = (tiles + columns - 1) / columns;
        // With a gap, the last row's keeps the tiles off the panel.
        if (rows * pitch > lines) continue;
        if ((width - (columns - 1)) / columns <= kMaxTileWidth) return columns;
        if (fitting == 0) fitting = columns;
    }
    return fitting;
}

}  // namespace

StationLayout StationLayout::For(Size size, int tiles) {
    StationLayout layout;
    layout.size_ = size;
    if (size.width < kMinWidth || tiles <= 0) return layout;
    // A blank line under each tile row while there is room; then the
    // chart's rows are given up before the tiles are packed.
    for (const int pitch : {kTileLines + 1, kTileLines}) {
        for (int chartRows = kMaxChartRows; chartRows >= 1; --chartRows) {
            const int panelRow = size.height - kFooterRows - (chartRows + 2);
            const int lines = panelRow - kHeaderRows;
            if (lines < kTileLines) continue;
            const int columns = ColumnsFor(tiles, size.width, lines, pitch);
            if (columns == 0) continue;
            const int width = TileWidth(size.width, columns);
            for (int i = 0; i < tiles; ++i)
                layout.tiles_.push_back(
                    {kHeaderRows + (i / columns) * pitch, (i % columns) * (width + 1), width, kTileLines});
            layout.fits_ = true;
            layout.columns_ = columns;
            layout.panelRow_ = panelRow;
            layout.chartRows_ = chartRows;
            return layout;
        }
    }
    return layout;
}

std::string ToleranceBar(const TileState& tile, int cells) {
    if (cells < 3 || !tile.marker) return std::string(static_cast<std::size_t>(std::max(cells, 0)), ' ');
    const int inner = cells - 2;
    const auto place = [inner](double at) {
        return std::clamp(static_cast<int>(std::lround(at * (inner - 1))), 0, inner - 1);
    };
    std::string bar(static_cast<std::size_t>(inner), '-');
    if (tile.nominal) bar[static_cast<std::size_t>(place(*tile.nominal))] = '|';
    const char marker = !tile.beyondBar ? '*' : *tile.marker < 0.5 ? '<' : '>';
    bar[static_cast<std::size_t>(place(*tile.marker))] = marker;
    return "[" + bar + "]";
}

}  // namespace vexla::station::terminal
