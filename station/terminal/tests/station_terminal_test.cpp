// The terminal edition's own logic: where the tiles go on terminals of
// every size, what each key does, and the bar and chart texts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "station/terminal/chart_text.h"
#include "station/terminal/station_keys.h"
#include "station/terminal/station_layout.h"

namespace vexla::station::terminal {
namespace {

TEST(StationLayout, ColumnsChartRowsAndTilePlacesForTerminalSizes) {
    struct Case {
        Size size;
        int tiles;
        bool fits;
        int columns;
        int chartRows;
        Box last;  // the last tile
    };
    const Case cases[] = {
        {{100, 30}, 8, true, 4, 7, {8, 75, 24, 3}},    // two rows with a gap, the whole chart
        {{80, 24}, 8, true, 4, 7, {8, 60, 19, 3}},     // three columns would need a third row
        {{100, 30}, 32, true, 6, 4, {19, 16, 15, 3}},  // packed rows, the chart gives up three
        {{200, 50}, 32, true, 7, 7, {20, 84, 27, 3}},  // no wider than the widest tile needs
        {{40, 12}, 1, true, 1, 1, {4, 0, 28, 3}},
        {{60, 12}, 8, false, 0, 0, {}},  // one row of eight would be too narrow
        {{39, 40}, 1, false, 0, 0, {}},  // narrower than the lines around
        {{100, 30}, 0, false, 0, 0, {}},
    };
    for (const Case& c : cases) {
        const StationLayout layout = StationLayout::For(c.size, c.tiles);
        const std::string at = std::to_string(c.size.width) + "x" + std::to_string(c.size.height) + ", " +
                               std::to_string(c.tiles) + " tiles";
        ASSERT_EQ(layout.Fits(), c.fits) << at;
        if (!c.fits) continue;
        EXPECT_EQ(layout.Columns(), c.columns) << at;
        EXPECT_EQ(layout.ChartRows(), c.chartRows) << at;
        const Box& last = layout.Tile(c.tiles - 1);
        EXPECT_EQ(std::vector<int>({last.y, last.x, last.width, last.height}),
                  std::vector<int>({c.last.y, c.last.x, c.last.width, c.last.height}))
            << at;
    }
}

TEST(StationLayout, EveryArrangementKeepsTilesApartAndInsideTheirArea) {
    for (int width = 30; width <= 220; width += 7)
        for (int height = 8; height <= 60; height += 3)
            for (int tiles = 1; tiles <= 32; ++tiles) {
                const StationLayout layout = StationLayout::For({width, height}, tiles);
                if (!layout.Fits()) continue;
                const std::string at =
                    std::to_string(width) + "x" + std::to_string(height) + ", " + std::to_string(tiles) + " tiles";
                ASSERT_EQ(layout.TileCount(), tiles) << at;
                ASSERT_GE(layout.ChartRows(), 1) << at;
                ASSERT_LT(layout.CapabilityRow(), layout.MessageRow()) << at;
                for (int i = 0; i < tiles; ++i) {
                    const Box& a = layout.Tile(i);
                    ASSERT_GE(a.width, kMinTileWidth) << at;
                    ASSERT_LE(a.x + a.width, width) << at << ", tile " << i;
                    ASSERT_GE(a.y, StationLayout::WarningRow() + 1) << at;
                    ASSERT_LE(a.y + a.height, layout.PanelRow()) << at << ", tile " << i;
                    for (int k = 0; k < i; ++k) {
                        const Box& b = layout.Tile(k);
                        const bool apart = a.x >= b.x + b.width || b.x >= a.x + a.width || a.y >= b.y + b.height ||
                                           b.y >= a.y + a.height;
                        ASSERT_TRUE(apart) << at << ", tiles " << k << " and " << i;
                    }
                }
            }
}

Key Character(wchar_t c) {
    return {Key::Kind::Character, c};
}
Key Function(int n) {
    return {Key::Kind::Function, 0, n};
}
Key Plain(Key::Kind kind) {
    return {kind};
}

TEST(StationKeys, WhatEachKeyDoesWithTheStationsCaptureKey) {
    using K = Key::Kind;
    struct Case {
        const char* captureKey;
        Key key;
        bool typing;
        bool scanThenCapture;
        Action action;
    };
    const Case cases[] = {
        {"F9", Function(9), false, false, Action::Capture},
        {"F9", Function(9), true, false, Action::Capture},  // the pedal takes what is typed
        {"F9", Function(2), false, false, Action::ZeroOnMaster},
        {"F9", Function(3), false, false, Action::Report},
        {"F9", Function(5), false, false, Action::NewShift},
        {"F9", Function(10), false, false, Action::Quit},
        {"F9", Function(7), false, false, Action::None},
        {"F2", Function(2), false, false, Action::Capture},  // the pedal before the command
        {"P", Character(L'p'), false, false, Action::Capture},
        {"P", Character(L'P'), true, false, Action::Capture},
        {"7", Character(L'7'), false, false, Action::Capture},
        {"F9", Character(L'p'), false, false, Action::Type},
        {"F9", Character(L'q'), false, false, Action::Type},  // a scanned identity may hold a q
        {"F9", Character(L'孔'), false, false, Action::Type},
        {"F9", Character(0x01), false, false, Action::None},
        {"F9", Character(L' '), true, false, Action::Capture},
        {"F9", Plain(K::Enter), false, false, Action::Capture},
        {"F9", Plain(K::Enter), true, false, Action::ConfirmId},
        {"F9", Plain(K::Enter), true, true, Action::Capture},  // the scanner's Enter
        {"F9", Plain(K::Backspace), true, false, Action::Erase},
        {"F9", Plain(K::Escape), true, false, Action::Clear},
        {"F9", Plain(K::Tab), false, false, Action::Next},
        {"F9", Plain(K::Right), false, false, Action::Next},
        {"F9", Plain(K::BackTab), false, false, Action::Previous},
        {"F9", Plain(K::Up), false, false, Action::Previous},
        {"F9", Plain(K::PageDown), false, false, Action::None},
        {"PageDown", Plain(K::PageDown), false, false, Action::Capture},
        {"Insert", Plain(K::Insert), false, false, Action::Capture},
        {"F24", Function(24), false, false, Action::Capture},
        {"Pause", Plain(K::Enter), false, false, Action::Capture},
        {"F9", Plain(K::HangUp), false, false, Action::Quit},
        {"F9", Plain(K::Resize), false, false, Action::Resize},
    };
    for (const Case& c : cases) {
        const KeyContext context{KeyOfCapture(CaptureKeyOf(c.captureKey)), c.typing, c.scanThenCapture};
        EXPECT_EQ(ActionOf(c.key, context), c.action)
            << "capture key " << c.captureKey << ", key kind " << static_cast<int>(c.key.kind) << " "
            << static_cast<int>(c.key.character) << "/" << c.key.function;
    }
    // No terminal reports these: Enter and Space are the only ways then.
    EXPECT_FALSE(KeyOfCapture(CaptureKeyOf("Pause")));
    EXPECT_FALSE(KeyOfCapture(CaptureKeyOf("ScrollLock")));
    EXPECT_FALSE(KeyOfCapture(CaptureKeyOf("Shift")));
}

TEST(ToleranceBar, NominalMarkerAndTheEndsOfTheBar) {
    struct Case {
        std::optional<double> marker;
        std::optional<double> nominal;
        bool beyond;
        int cells;
        const char* bar;
    };
    const Case cases[] = {
        {0.2, 0.375, false, 12, "[--*|------]"},
        {0.5, 0.5, false, 12, "[-----*----]"},  // on the nominal
        {0.0, 0.5, true, 12, "[<----|----]"},
        {1.0, 0.5, true, 12, "[-----|--->]"},
        {1.0, 0.5, false, 12, "[-----|---*]"},  // on the limit: still inside
        {0.3, std::nullopt, false, 7, "[-*---]"},
        {0.6, 0.5, false, 3, "[*]"},
        {std::nullopt, std::nullopt, false, 6, "      "},
        {0.5, 0.5, false, 2, "  "},
    };
    for (const Case& c : cases) {
        TileState tile;
        tile.silent = false;
        tile.marker = c.marker;
        tile.nominal = c.nominal;
        tile.beyondBar = c.beyond;
        EXPECT_EQ(ToleranceBar(tile, c.cells), c.bar) << c.marker.value_or(-1) << " in " << c.cells;
    }
}

ChartPanel ChartOf(std::vector<double> values, std::vector<bool> broken = {}) {
    ChartPanel chart;
    chart.channel = 3;
    quality::ChannelLimits tolerance;
    tolerance.lower = -1000;  // ±0.1 mm
    tolerance.upper = 1000;
    chart.tolerance = tolerance;
    for (std::size_t i = 0; i < values.size(); ++i) {
        ChartPanel::Point p;
        p.part = i + 1;
        p.value = values[i];
        p.locationBroken = i < broken.size() && broken[i];
        chart.points.push_back(p);
    }
    return chart;
}

// The column of each row that holds a point, or -1.
std::vector<int> RowsOfPoints(const std::vector<std::string>& rows, std::size_t points) {
    std::vector<int> found(points, -1);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t i = 0; i < points; ++i) {
            const char c = rows[r][kChartLabelCells + i];
            if (c == 'o' || c == 'X' || c == '^' || c == 'v') found[i] = static_cast<int>(r);
        }
    return found;
}

TEST(ChartText, PointsAgainstTheLimitsAndBeyondThem) {
    // Five rows: beyond the upper limit, the upper limit, the centre, the
    // lower limit, beyond it.
    const auto rows = ChartText(ChartOf({0.0, 0.1, 0.11, -0.1, -0.2, 0.04, -0.06}, {false, false, true}), 3, 30, 5);
    ASSERT_EQ(rows.size(), 5u);
    for (const std::string& row : rows) EXPECT_EQ(row.size(), 30u);
    EXPECT_EQ(RowsOfPoints(rows, 7), std::vector<int>({2, 1, 0, 3, 4, 2, 3}));
    EXPECT_EQ(rows[0][kChartLabelCells + 2], 'X');
    EXPECT_EQ(rows[1].substr(0, kChartLabelCells), "    0.100 ");
    EXPECT_EQ(rows[2].substr(0, kChartLabelCells), "    0.000 ");
    EXPECT_EQ(rows[3].substr(0, kChartLabelCells), "   -0.100 ");

    // The control limits come before the tolerance.
    ChartPanel controlled = ChartOf({0.05, 0.0});
    controlled.limits = quality::ControlLimits{};
    controlled.limits->location = {0.0, -0.02, 0.02};
    EXPECT_EQ(RowsOfPoints(ChartText(controlled, 3, 20, 5), 2), std::vector<int>({0, 2}));

    // One row: a strip; more parts than columns: the newest.
    EXPECT_EQ(ChartText(ChartOf({0.5, -0.5, 0.0}), 3, kChartLabelCells + 3, 1)[0].substr(kChartLabelCells), "^vo");
    EXPECT_EQ(ChartText(ChartOf({0.5, -0.5, 0.0, 0.5}), 3, kChartLabelCells + 2, 1)[0].substr(kChartLabelCells), "o^");
    // No limits and no points: nothing to draw, but the rows are there.
    ChartPanel empty;
    EXPECT_EQ(ChartText(empty, 2, 15, 3), std::vector<std::string>(3, std::string(15, ' ')));
}

}  // namespace
}  // namespace vexla::station::terminal
