#include "station_layout.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "base/whole_number.h"

namespace vexla::station {
namespace {

constexpr double kTileAspect = 1.6;

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

TileGrid TileGridFor(int count, int width, int height) {
    TileGrid best;
    if (count <= 0 || width <= 0 || height <= 0) return best;
    double bestHeight = -1;
    for (int columns = 1; columns <= count; ++columns) {
        const int rows = (count + columns - 1) / columns;
        // A tile's usable height: its own, or what its width allows at the aspect.
        const double tileHeight = std::min(static_cast<double>(height) / rows, width / (columns * kTileAspect));
        if (tileHeight > bestHeight + 1e-9) {
            bestHeight = tileHeight;
            best = {columns, rows};
        }
    }
    return best;
}

std::string NamesText(const std::array<std::string, quality::kChannels>& names) {
    std::string text;
    for (int c = 1; c <= quality::kChannels; ++c) {
        const std::string& name = names[static_cast<std::size_t>(c - 1)];
        if (!name.empty()) text += std::to_string(c) + " = " + name + "\r\n";
    }
    return text;
}

ParsedNames ParseNamesText(std::string_view text) {
    ParsedNames parsed;
    int line = 0;
    for (std::size_t start = 0; start <= text.size(); ++line) {
        const auto end = std::min(text.find('\n', start), text.size());
        const std::string_view row = Trimmed(text.substr(start, end - start));
        start = end + 1;
        if (row.empty()) continue;
        const auto equals = row.find('=');
        const auto channel = equals == std::string_view::npos
                                 ? std::nullopt
                                 : ParseWholeNumber(Trimmed(row.substr(0, equals)), 1, quality::kChannels);
        if (!channel) {
            parsed.badLine = line + 1;
            return parsed;
        }
        parsed.names[static_cast<std::size_t>(*channel - 1)] = std::string(Trimmed(row.substr(equals + 1)));
    }
    return parsed;
}

std::string TileLinesText(const std::vector<TileLine>& tiles) {
    std::string text;
    for (const TileLine& t : tiles)
        text += std::to_string(t.channel) + '\t' + t.name + '\t' + t.shown + '\t' + std::to_string(t.colour) + '\t' +
                std::to_string(t.left) + ' ' + std::to_string(t.top) + ' ' + std::to_string(t.right) + ' ' +
                std::to_string(t.bottom) + '\n';
    return text;
}

std::vector<TileLine> ParseTileLines(std::string_view text) {
    std::vector<TileLine> tiles;
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        TileLine t;
        std::string channel, colour, place;
        if (!std::getline(fields, channel, '\t') || !std::getline(fields, t.name, '\t') ||
            !std::getline(fields, t.shown, '\t') || !std::getline(fields, colour, '\t') || !std::getline(fields, place))
            continue;
        t.channel = std::atoi(channel.c_str());
        t.colour = std::atoi(colour.c_str());
        if (std::sscanf(place.c_str(), "%d %d %d %d", &t.left, &t.top, &t.right, &t.bottom) != 4) continue;
        tiles.push_back(std::move(t));
    }
    return tiles;
}

}  // namespace vexla::station
