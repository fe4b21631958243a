#include "monitor/terminal/screen_layout.h"

#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <ostream>
#include <set>
#include <utility>

#include "monitor/model/monitor_texts.h"
#include "monitor/terminal/channel_statistics.h"
#include "monitor/terminal/plain_table.h"
#include "monitor/terminal/screen_texts.h"
#include "monitor/tests/recording_driver.h"
#include "ui/terminal/display_width.h"

namespace vexla::monitor::terminal {
namespace {

using namespace ui::terminal;

// wcwidth knows the CJK widths only under a UTF-8 character type, as kestrow sets it.
const bool kUtf8 = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;

TEST(DisplayWidth, CjkTakesTwoCellsAndBadBytesOne) {
    ASSERT_TRUE(kUtf8);
    struct Case {
        const char* text;
        int cells;
    };
    for (const Case& c : {Case{"编号", 4},
                          {"仪表显示(mm)", 12},
                          {"传输率", 6},
                          {" 01", 3},
                          {"20.0次", 6},
                          {"已脱离", 6},
                          {"\xff", 1},          // no sequence starts with it
                          {"\xe7\xbc", 2},      // cut short: each byte replaced
                          {"\xc0\xaf", 2},      // overlong '/'
                          {"\xed\xa0\x80", 3},  // a surrogate
                          {"a\xe7\xbc\x96", 3}}) {
        EXPECT_EQ(CellsOf(std::string_view(c.text)), c.cells) << c.text;
    }
}

TEST(DisplayWidth, FitPadsClipsAndNeverSpillsOrPassesControls) {
    ASSERT_TRUE(kUtf8);
    struct Case {
        const char* text;
        int cells;
        Align align;
        const char* fitted;
    };
    for (const Case& c : {Case{"编号", 4, Align::Left, "编号"},
                          {"编号", 6, Align::Left, "编号  "},
                          {"编号", 3, Align::Left, "编 "},  // 号 would straddle the edge
                          {"1.23", 6, Align::Right, "  1.23"},
                          {"已脱离", 7, Align::Right, " 已脱离"},
                          {"", 2, Align::Right, "  "},
                          {"abc", 0, Align::Left, ""},
                          {"a\x1b[2J", 5, Align::Left, "a\xef\xbf\xbd[2J"}}) {
        const std::string fitted = FitUtf8(c.text, c.cells, c.align);
        EXPECT_EQ(fitted, c.fitted) << c.text << " in " << c.cells;
        EXPECT_EQ(CellsOf(std::string_view(fitted)), c.cells) << c.text << " in " << c.cells;
    }
    // A number too long for its cells never shows as another number.
    EXPECT_EQ(FitNumber("0.40", 9), L"     0.40");
    EXPECT_EQ(FitNumber("-999.9999", 9), L"-999.9999");
    EXPECT_EQ(FitNumber("-1000.0000", 9), L"*********");
}

TEST(ScreenLayout, TheWidestArrangementThatFitsOrNone) {
    struct Case {
        Size screen;
        int across;
        View view = View::Readings;
    };
    for (const Case& c : {Case{{80, 23}, 2},
                          {{79, 23}, 0},
                          {{80, 22}, 0},
                          {{158, 40}, 2},
                          {{159, 15}, 4},
                          {{159, 14}, 0},
                          {{300, 100}, 4},
                          {{0, 0}, 0},
                          {{80, 23}, 0, View::Statistics},
                          {{98, 30}, 0, View::Statistics},
                          {{99, 23}, 2, View::Statistics},
                          {{199, 15}, 4, View::Statistics},
                          {{198, 15}, 0, View::Statistics}}) {
        const ScreenLayout layout = ScreenLayout::For(c.screen, c.view);
        EXPECT_EQ(layout.BlocksAcross(), c.across) << c.screen.width << "x" << c.screen.height;
        if (layout.Fits()) {
            EXPECT_LE(layout.Needed().width, c.screen.width);
            EXPECT_LE(layout.Needed().height, c.screen.height);
            EXPECT_EQ(layout.HelpRow(), layout.Needed().height - 1);
        }
    }
    EXPECT_EQ(ScreenLayout::Minimum(), (Size{80, 23}));
    EXPECT_EQ(ScreenLayout::Minimum(View::Statistics), (Size{99, 23}));
}

TEST(ScreenLayout, CellsLandInTheirBlocks) {
    struct Case {
        int across;
        CellRef cell;
        Placement place;
    };
    const Placement hidden{};
    for (const Case& c : {
             Case{2, {0, 0}, {true, 1, 1, 4}},   // 编号 over channels 1-4
             {2, {1, 1}, {true, 2, 6, 12}},      // channel 1's display value
             {2, {7, 1}, {true, 2, 59, 12}},     // channel 5's displacement, second block
             {2, {10, 1}, {true, 6, 1, 4}},      // channel 9 below channel 4
             {2, {18, 1}, {true, 6, 72, 6}},     // channel 13's rate
             {2, {10, 0}, hidden},               // channels 9-12 share the heading above
             {2, {0, 7}, {true, 12, 1, 4}},      // channel 17 under the separator
             {2, {18, 10}, {true, 19, 72, 6}},   // channel 32's rate, last grid line
             {4, {10, 0}, {true, 1, 81, 4}},     // four across: every heading shown
             {4, {0, 7}, {true, 8, 1, 4}},       // channel 17 under the window's separator
             {4, {18, 10}, {true, 11, 152, 6}},  // channel 32's rate at the right edge
             {4, {4, 1}, hidden},                // spacer
             {4, {0, 5}, hidden},                // separator
             {2, {19, 1}, hidden},               // outside
             {0, {1, 1}, hidden},                // nothing fits
         }) {
        const ScreenLayout layout = ScreenLayout::For(c.across == 4 ? Size{159, 15} : Size{80, c.across ? 23 : 5});
        const Placement p = layout.Place(c.cell);
        EXPECT_EQ(p.shown, c.place.shown) << c.across << " across, cell " << c.cell.col << "," << c.cell.row;
        if (!p.shown || !c.place.shown) continue;
        EXPECT_EQ(std::make_pair(p.y, p.x), std::make_pair(c.place.y, c.place.x))
            << c.across << " across, cell " << c.cell.col << "," << c.cell.row;
        EXPECT_EQ(p.width, c.place.width);
    }
}

TEST(ScreenLayout, ShownCellsDoNotOverlapStayOnScreenAndClicksMapBack) {
    for (const auto& [screen, view] : {std::pair{Size{80, 23}, View::Readings},
                                       {Size{159, 15}, View::Readings},
                                       {Size{99, 23}, View::Statistics},
                                       {Size{199, 15}, View::Statistics}}) {
        const ScreenLayout layout = ScreenLayout::For(screen, view);
        ASSERT_TRUE(layout.Fits());
        std::set<std::pair<int, int>> taken;
        int shown = 0;
        const auto claim = [&](const Placement& p, const std::string& what) {
            if (!p.shown) return false;
            ++shown;
            EXPECT_GE(p.y, layout.GridTop());
            EXPECT_LT(p.y, layout.GridTop() + layout.GridLines());
            EXPECT_NE(p.y, layout.SeparatorRow());
            EXPECT_GE(p.x, layout.Left());
            EXPECT_LE(p.x + p.width, layout.Left() + layout.GridCells());
            for (int x = p.x; x < p.x + p.width; ++x) EXPECT_TRUE(taken.insert({p.y, x}).second) << what << " overlaps";
            for (int rule : layout.RuleColumns()) EXPECT_FALSE(rule >= p.x && rule < p.x + p.width) << what;
            return true;
        };
        for (int row = 0; row < kGridRows; ++row) {
            for (int col = 0; col < kGridColumns; ++col) {
                const Placement p = layout.Place({col, row});
                std::string what = "cell ";
                what += std::to_string(col) + "," + std::to_string(row);
                if (!claim(p, what)) continue;
                for (int x = p.x; x < p.x + p.width; ++x) {
                    const auto back = layout.CellUnder(p.y, x);
                    ASSERT_TRUE(back.has_value());
                    EXPECT_EQ(*back, (CellRef{col, row}));
                }
            }
        }
        // The columns the model has no cells for, under their headings.
        for (int channel = 0; channel < kChannels; ++channel) {
            for (Column column : {Column::Minimum, Column::Maximum, Column::Range}) {
                std::string what = "channel ";
                what += std::to_string(channel + 1);
                const Placement p = layout.Place(channel, column);
                claim(p, what);
                EXPECT_FALSE(p.shown && layout.CellUnder(p.y, p.x).has_value()) << what;
                const Placement heading = layout.PlaceHeading(channel, column);
                if (channel % 4 == 0 && claim(heading, what + "'s heading")) {
                    EXPECT_EQ(heading.x, p.x);
                }
            }
        }
        // Every channel cell and one heading line per block row of a half.
        const int columns = static_cast<int>(ColumnsOf(view).size());
        EXPECT_EQ(shown, 32 * columns + 2 * layout.BlocksAcross() * columns);
        EXPECT_FALSE(layout.CellUnder(layout.SeparatorRow(), layout.Left() + 1).has_value());
        EXPECT_FALSE(layout.CellUnder(layout.TitleRow(), layout.Left() + 1).has_value());
        // The last block's last column ends the grid.
        const Placement last = layout.Place(31, ColumnsOf(view).back().column);
        EXPECT_EQ(last.x + last.width, layout.Left() + layout.GridCells());
    }
    const ScreenLayout statistics = ScreenLayout::For({99, 23}, View::Statistics);
    EXPECT_FALSE(statistics.Place({1, 1}).shown);  // channel 1's display value
    EXPECT_FALSE(statistics.Place(0, Column::Rate).shown);
    EXPECT_FALSE(ScreenLayout::For({80, 23}).Place(0, Column::Minimum).shown);
}

TEST(ScreenLayout, ArrowsMoveAcrossTheChannelCellsAsTheyStandOnScreen) {
    struct Case {
        int across;
        CellRef from;
        int dx, dy;
        CellRef to;
        View view = View::Readings;
    };
    for (const Case& c : {
             Case{2, {0, 0}, 0, 1, {0, 1}},  // from a heading: that column's first channel
             {2, {13, 6}, 1, 0, {13, 7}},    // the hidden rate heading over channels 25-28
             {2, {4, 3}, 0, -1, {1, 1}},     // a spacer: channel 1's display value
             {2, {1, 1}, 1, 0, {2, 1}},      //
             {2, {1, 1}, -1, 0, {0, 1}},     //
             {2, {0, 1}, -1, 0, {0, 1}},     // left edge
             {2, {1, 1}, 0, -1, {1, 1}},     // top edge: the heading is not a stop
             {2, {3, 1}, 1, 0, {5, 1}},      // channel 1's rate to channel 5's number
             {2, {8, 1}, 1, 0, {8, 1}},      // right edge of two blocks
             {4, {8, 1}, 1, 0, {10, 1}},     // four across: on to channel 9
             {2, {1, 4}, 0, 1, {11, 1}},     // channel 4 down to channel 9
             {4, {1, 4}, 0, 1, {1, 7}},      // four across: channel 4 down to 17
             {2, {11, 4}, 0, 1, {1, 7}},     // channel 12 down to 17
             {2, {16, 10}, 0, 1, {16, 10}},  // channel 32: bottom edge
             {2, {16, 7}, 0, -1, {6, 10}},   // channel 29 up to 24, above it in the lower half
             // Number and displacement only: the extremes have nothing to act on.
             {2, {0, 1}, 1, 0, {2, 1}, View::Statistics},    // channel 1's number to its displacement
             {2, {2, 1}, 1, 0, {5, 1}, View::Statistics},    // on to channel 5's number
             {4, {12, 1}, 1, 0, {15, 1}, View::Statistics},  // four across: channel 9 on to 13
             {2, {1, 3}, 1, 0, {2, 3}, View::Statistics},    // a hidden display value: its displacement first
             {2, {1, 0}, 0, 1, {2, 1}, View::Statistics},    // a hidden heading: the first displacement
         }) {
        const Size screen = c.view == View::Statistics ? Size{c.across == 4 ? 199 : 99, 23}
                                                       : (c.across == 4 ? Size{159, 15} : Size{80, 23});
        const ScreenLayout layout = ScreenLayout::For(screen, c.view);
        ASSERT_EQ(layout.BlocksAcross(), c.across);
        EXPECT_EQ(layout.Move(c.from, c.dx, c.dy), c.to)
            << c.across << " across from " << c.from.col << "," << c.from.row << " by " << c.dx << "," << c.dy;
    }
}

TEST(ScreenTexts, EveryLineFitsTheNarrowestScreenAndChoicesMoveNothing) {
    ASSERT_TRUE(kUtf8);
    SingleChannelButton button{true, "29" + std::string(texts::kDisplacementZeroSuffix), 57};
    const HardwareControls idle{};
    const HardwareControls counting{false, true, 100};
    std::vector<TextLine> lines = {TitleLine(), HelpLine(), ActionsLine(button, idle), ActionsLine(button, counting)};
    for (auto hardware : {HardwareType::Percent, HardwareType::Thousandth})
        for (auto mode : {DisplayMode::Standard, DisplayMode::HalfDigit, DisplayMode::OneDigit})
            lines.push_back(ControlsLine(hardware, mode));
    for (const TextLine& line : lines) EXPECT_LE(CellsOf(TextOf(line)), kTextCells) << TextOf(line);

    EXPECT_EQ(CellsOf(TextOf(ControlsLine(HardwareType::Percent, DisplayMode::Standard))),
              CellsOf(TextOf(ControlsLine(HardwareType::Thousandth, DisplayMode::OneDigit))));
    const std::string chosen = TextOf(ControlsLine(HardwareType::Thousandth, DisplayMode::HalfDigit));
    EXPECT_NE(chosen.find("[千分表]"), std::string::npos) << chosen;
    EXPECT_NE(chosen.find("[增加半位]"), std::string::npos) << chosen;
    EXPECT_EQ(chosen.find("[百分表]"), std::string::npos) << chosen;

    // The hidden button leaves a blank of its width: the zero-all button stays put.
    const std::string shown = TextOf(ActionsLine(button, idle));
    button.visible = false;
    const std::string blank = TextOf(ActionsLine(button, idle));
    EXPECT_NE(shown.find("29#通道 位移归零"), std::string::npos);
    EXPECT_EQ(blank.find("#通道"), std::string::npos);
    const std::string zeroAll(texts::kZeroAll);
    EXPECT_EQ(CellsOf(shown.substr(0, shown.find(zeroAll))), CellsOf(blank.substr(0, blank.find(zeroAll))));
    // The hardware buttons while the countdown holds them.
    const TextLine held = ActionsLine(button, counting);
    EXPECT_EQ(held.back().text, " 100%");
    for (const Piece& piece : held) {
        if (piece.text == "f" || piece.text == "s") {
            EXPECT_EQ(piece.look, Look::Disabled);
        }
    }
}

TEST(ScreenTexts, TooSmallNamesBothSizes) {
    const std::vector<std::string> lines = TooSmallMessage({80, 23}, {60, 20});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "终端太小: 需要 80×23, 现在 60×20");
    EXPECT_EQ(lines[1], "Terminal too small: needs 80x23, now 60x20");
    // The statistics also name the key back to a view that may fit.
    const std::vector<std::string> statistics = TooSmallMessage({99, 23}, {80, 24}, View::Statistics);
    ASSERT_EQ(statistics.size(), 4u);
    EXPECT_EQ(statistics[0], "终端太小: 需要 99×23, 现在 80×24");
    EXPECT_EQ(statistics[3].rfind("t: ", 0), 0u);
}

TEST(PlainTable, ChannelsUnderTheHeadingsInAlignedColumns) {
    ASSERT_TRUE(kUtf8);
    testing::RecordingDriver driver;
    MonitorModel model(driver);
    driver.data.updated[0] = 1;
    driver.data.value[0] = 12346;
    driver.data.displacement[0] = -5;
    driver.data.updated[30] = 1;
    driver.data.value[30] = -1000;
    driver.rates[0] = 200;
    driver.rates[30] = 0;
    driver.rates[31] = -1;  // keeps the cell empty: never seen
    model.Timer1Timer();
    const std::string table = PlainTable(model, 2.0);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < table.size();) {
        const std::size_t end = table.find('\n', at);
        lines.push_back(table.substr(at, end - at));
        at = end + 1;
    }
    ASSERT_EQ(lines.size(), 34u);
    EXPECT_EQ(lines[0], "-- 2.0 s --");
    EXPECT_EQ(lines[1], "编号 仪表显示(mm) 位移结果(mm) 传输率");
    EXPECT_EQ(lines[2], " 01         12.35        -0.01 20.0次");
    EXPECT_EQ(lines[32], " 31         -1.00         0.00 已脱离");
    EXPECT_EQ(lines[33], " 32");
    // Every full row ends where the heading line ends, in terminal cells.
    EXPECT_EQ(CellsOf(std::string_view(lines[2])), CellsOf(std::string_view(lines[1])));
    EXPECT_EQ(CellsOf(std::string_view(lines[32])), CellsOf(std::string_view(lines[1])));

    // With limits, a judged channel's mark follows its rate.
    ChannelStatistics statistics(*quality::ParseLimits("1, 0, 0, 0.05\n31, -1.00, 0, 0\n32, 0, 0, 0\n"));
    statistics.Feed(driver.data, model.Hardware(), model.Mode());
    const std::string judged = PlainTable(model, 2.0, &statistics);
    EXPECT_NE(judged.find("\n 01         12.35        -0.01 20.0次 LOW\n"), std::string::npos) << judged;
    EXPECT_NE(judged.find("\n 31         -1.00         0.00 已脱离 HIGH\n"), std::string::npos) << judged;
    EXPECT_NE(judged.find("\n 32\n"), std::string::npos) << judged;  // no reading, no judgement
}

// What the operator sees of a channel's statistics: minimum, maximum and range.
struct Extremes {
    std::string minimum, maximum, range;
    friend bool operator==(const Extremes&, const Extremes&) = default;
};

Extremes ExtremesOf(const ChannelStatistics& statistics, int channel) {
    return {statistics.MinimumText(channel), statistics.MaximumText(channel), statistics.RangeText(channel)};
}

std::ostream& operator<<(std::ostream& out, const Extremes& e) {
    return out << "[" << e.minimum << ", " << e.maximum << ", " << e.range << "]";
}

TEST(ChannelStatistics, ExtremesOfTheShownDisplacementSinceTheLastReset) {
    // One step: a reading of channel 1 (raw displacement, in the unit the
    // screen shows), or an action; `quiet` refreshes carry no reading.
    struct Step {
        enum { Reading, Quiet, Reset, Zeroed, ZeroedOther, ZeroedAll } kind = Reading;
        int32_t raw = 0;
        HardwareType hardware = HardwareType::Percent;
        DisplayMode mode = DisplayMode::Standard;
        int times = 1;
    };
    using S = Step;
    const auto thousandth = HardwareType::Thousandth;
    const int settle = ChannelStatistics::kSettleTicks;
    struct Case {
        const char* what;
        std::vector<Step> steps;
        Extremes expected;
    };
    const std::vector<Case> cases = {
        {"as shown: 0.01 mm rounded half away from zero",
         {{S::Reading, 1234}, {S::Reading, -505}, {S::Reading, 995}},
         {"-0.51", "1.23", "1.74"}},
        {"a refresh without news is no reading", {{S::Reading, 100}, {S::Quiet, 9999}}, {"0.10", "0.10", "0.00"}},
        {"r: from the next reading on", {{S::Reading, 100}, {S::Reading, 500}, {S::Reset}}, {"", "", ""}},
        {"r, then a reading",
         {{S::Reading, 100}, {S::Reading, 500}, {S::Reset}, {S::Reading, 300}},
         {"0.30", "0.30", "0.00"}},
        {"half digit and 0.001 mm gauges in their own decimals",
         {{S::Reading, 1237, HardwareType::Percent, DisplayMode::HalfDigit},
          {S::Reading, 1232, HardwareType::Percent, DisplayMode::HalfDigit}},
         {"1.230", "1.235", "0.005"}},
        {"another gauge type starts afresh",
         {{S::Reading, 5000}, {S::Reading, 1234, thousandth, DisplayMode::OneDigit}},
         {"0.1234", "0.1234", "0.0000"}},
        // The driver's average walks from the old displacement to the new zero.
        {"zeroed: the averaged jump is passed over",
         {{S::Reading, 500}, {S::Zeroed}, {S::Reading, 250, {}, {}, settle}, {S::Reading, 0}},
         {"0.00", "0.00", "0.00"}},
        {"zeroed: quiet refreshes count as settling too",
         {{S::Zeroed}, {S::Quiet, 0, {}, {}, settle}, {S::Reading, 70}},
         {"0.07", "0.07", "0.00"}},
        {"zeroed all likewise", {{S::ZeroedAll}, {S::Reading, 250, {}, {}, settle - 1}}, {"", "", ""}},
        {"r does not cut a settling zero short",
         {{S::Zeroed}, {S::Reset}, {S::Reading, 250, {}, {}, settle - 1}},
         {"", "", ""}},
        {"another channel's zero leaves this one",
         {{S::Reading, 100}, {S::ZeroedOther}, {S::Reading, 200}},
         {"0.10", "0.20", "0.10"}},
    };
    for (const Case& c : cases) {
        ChannelStatistics statistics;
        for (const Step& step : c.steps) {
            for (int i = 0; i < step.times; ++i) {
                VexlaDataBlock32 block{};
                block.updated[0] = step.kind == S::Reading ? 1 : 0;
                block.displacement[0] = step.raw;
                switch (step.kind) {
                    case S::Reading:
                    case S::Quiet:
                        statistics.Feed(block, step.hardware, step.mode);
                        break;
                    case S::Reset:
                        statistics.ResetAll();
                        break;
                    case S::Zeroed:
                        statistics.Zeroed(0);
                        break;
                    case S::ZeroedOther:
                        statistics.Zeroed(1);
                        break;
                    case S::ZeroedAll:
                        statistics.ZeroedAll();
                        break;
                }
            }
        }
        EXPECT_EQ(ExtremesOf(statistics, 0), c.expected) << c.what;
    }

    // What needs painting: the channels whose extremes moved, every one after a change of unit.
    ChannelStatistics statistics;
    VexlaDataBlock32 block{};
    block.updated[3] = 1;
    block.displacement[3] = 40;
    EXPECT_EQ(statistics.Feed(block, HardwareType::Percent, DisplayMode::Standard), ChannelSet().set(3));
    EXPECT_TRUE(statistics.Feed(block, HardwareType::Percent, DisplayMode::Standard).none());
    EXPECT_TRUE(statistics.Feed(block, thousandth, DisplayMode::Standard).all());
}

TEST(ChannelStatistics, JudgedOnTheShownValueInclusiveLimits) {
    // Channel 1: 0.95 .. 1.05 mm; channel 2 has no limits.
    const Result<quality::LimitsTable> parse = quality::ParseLimits("1, 1.00, -0.05, +0.05\n");
    ASSERT_TRUE(parse.Ok());
    using J = quality::Judgement;
    struct Case {
        int32_t raw;
        DisplayMode mode;
        std::optional<J> judgement;
    };
    for (const Case& c : {Case{1050, DisplayMode::Standard, J::Ok},
                          {1054, DisplayMode::Standard, J::Ok},  // shown as 1.05
                          {1055, DisplayMode::Standard, J::High},
                          {1054, DisplayMode::OneDigit, J::High},
                          {949, DisplayMode::Standard, J::Ok},  // shown as 0.95
                          {949, DisplayMode::OneDigit, J::Low},
                          {-2000, DisplayMode::Standard, J::Low}}) {
        ChannelStatistics statistics(*parse);
        EXPECT_EQ(statistics.JudgeDisplacement(0), std::nullopt);
        VexlaDataBlock32 block{};
        block.updated[0] = block.updated[1] = 1;
        block.displacement[0] = block.displacement[1] = c.raw;
        statistics.Feed(block, HardwareType::Percent, c.mode);
        EXPECT_EQ(statistics.JudgeDisplacement(0), c.judgement) << c.raw;
        EXPECT_EQ(statistics.JudgeDisplacement(1), std::nullopt) << c.raw;
    }

    // The extremes are judged each on its own; after a reset, until the next
    // reading, only the displacement still shown is.
    ChannelStatistics statistics(*parse);
    VexlaDataBlock32 block{};
    block.updated[0] = 1;
    for (int32_t raw : {900, 1100, 1000}) {
        block.displacement[0] = raw;
        statistics.Feed(block, HardwareType::Percent, DisplayMode::Standard);
    }
    EXPECT_EQ(statistics.JudgeMinimum(0), J::Low);
    EXPECT_EQ(statistics.JudgeMaximum(0), J::High);
    EXPECT_EQ(statistics.JudgeDisplacement(0), J::Ok);
    statistics.ResetAll();
    EXPECT_EQ(statistics.JudgeMinimum(0), std::nullopt);
    EXPECT_EQ(statistics.JudgeDisplacement(0), J::Ok);
}

}  // namespace
}  // namespace vexla::monitor::terminal

namespace vexla::monitor::terminal {
namespace {

TEST(ChannelStatistics, AChannelsChartIsInControlUntilARuleBreaksAndForAWhileAfter) {
    // Channel 1 has an individuals chart around 0.10 mm, σ 0.01 mm; channel 2 none.
    quality::ControlLimitsTable limits;
    limits[0] = quality::ControlLimits{
        quality::ChartKind::IndividualsMovingRange, 1, {0.10, 0.07, 0.13}, {0.0113, 0, 0.0369}, 0.01};
    ChannelStatistics statistics({}, limits);
    EXPECT_TRUE(statistics.HasCharts());
    EXPECT_EQ(ColumnsOf(View::Charts).back().column, Column::Chart);
    EXPECT_EQ(ScreenLayout::Minimum(View::Charts).width, ScreenLayout::Minimum(View::Statistics).width + 18)
        << "two blocks across, each a column of eight and its gap wider";
    VexlaDataBlock32 block{};
    block.updated[0] = block.updated[1] = -1;
    const auto read = [&](int32_t raw) {  // in 0.001 mm: 100 is 0.10 mm
        block.displacement[0] = block.displacement[1] = raw;
        return statistics.Feed(block, HardwareType::Percent, DisplayMode::Standard);
    };
    EXPECT_EQ(statistics.ChartText(0), "") << "no reading yet";
    read(100);
    EXPECT_EQ(statistics.ChartText(0), "受控");
    EXPECT_EQ(statistics.ChartText(1), "") << "a channel without control limits";
    // Far beyond 3σ: rule 1 on the individuals, and the moving range too.
    EXPECT_TRUE(read(200).test(0)) << "the state changed: repainted";
    EXPECT_EQ(statistics.ChartText(0), "失控MR");
    EXPECT_TRUE(statistics.OutOfControl(0));
    // The way back is one more broken moving range; then readings around the centre.
    for (std::size_t i = 0; i < ChannelStatistics::kOutOfControlPoints; ++i) read(i % 2 ? 100 : 101);
    EXPECT_TRUE(statistics.OutOfControl(0));
    read(100);
    EXPECT_EQ(statistics.ChartText(0), "受控") << "the broken rule is far enough behind";
}

}  // namespace
}  // namespace vexla::monitor::terminal
