#pragma once
// The window's arithmetic without any window: how the tiles share the room
// they have, and the setup dialog's texts for channel lists and names, both
// ways.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quality/tolerance_limits.h"
#include "station/model/station_settings.h"

namespace vexla::station {

// Columns and rows for `count` tiles in a room of width x height: the layout
// whose tiles are the largest at a width of about 1.6 times their height
// (a name above, a number below), so that the number reads from afar.
struct TileGrid {
    int columns = 1;
    int rows = 1;
};
TileGrid TileGridFor(int count, int width, int height);

// The names as the setup dialog shows them: "3 = 孔深", one a line (CR LF),
// channels in order, only those named.
std::string NamesText(const std::array<std::string, quality::kChannels>& names);

// The dialog's text back: blank lines skipped, "N = name" otherwise (a
// missing name clears the channel's). The first line that is neither
// (from 1) is the failure.
struct ParsedNames {
    std::array<std::string, quality::kChannels> names;
    int badLine = 0;
};
ParsedNames ParseNamesText(std::string_view text);

// What the tile board shows, one line a tile, as its window text: so that
// a test in another process reads each tile (and where to click it).
//   "3\t孔深\t0.06\t2\t10 20 200 120\n"  channel, name, number or silence,
//   colour (TileColour), rectangle in the board
struct TileLine {
    int channel = 0;
    std::string name;
    std::string shown;
    int colour = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
};
std::string TileLinesText(const std::vector<TileLine>& tiles);
std::vector<TileLine> ParseTileLines(std::string_view text);

}  // namespace vexla::station
