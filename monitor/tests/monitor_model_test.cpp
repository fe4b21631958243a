#include "monitor/model/monitor_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <utility>

#include "monitor/model/monitor_grid.h"
#include "monitor/model/value_texts.h"
#include "recording_driver.h"

namespace vexla::monitor {
namespace {

using ::testing::ElementsAre;
using testing::RecordingDriver;

TEST(MonitorGrid, EveryChannelOwnsFourCellsOfItsRowAndTheyMapBack) {
    struct Expected {
        int channel, row, base;
    };
    for (const Expected& e :
         {Expected{0, 1, 0}, {3, 4, 0}, {4, 1, 5}, {11, 4, 10}, {15, 4, 15}, {16, 7, 0}, {28, 7, 15}, {31, 10, 15}}) {
        const ChannelCells cells = CellsOfChannel(e.channel);
        EXPECT_EQ(cells.row, e.row) << "channel index " << e.channel;
        EXPECT_EQ(cells.baseColumn, e.base) << "channel index " << e.channel;
    }
    std::set<std::pair<int, int>> taken;
    for (int c = 0; c < kChannels; ++c) {
        const ChannelCells cells = CellsOfChannel(c);
        const CellKind kinds[] = {CellKind::ChannelNumber, CellKind::DisplayValue, CellKind::Displacement,
                                  CellKind::Rate};
        for (int k = 0; k < 4; ++k) {
            const CellMeaning cell = CellAt(cells.baseColumn + k, cells.row);
            EXPECT_EQ(cell.kind, kinds[k]) << "channel index " << c << " column " << k;
            EXPECT_EQ(cell.channel, c) << "channel index " << c << " column " << k;
            EXPECT_TRUE(taken.insert({cells.baseColumn + k, cells.row}).second) << "cell used twice";
        }
    }
}

TEST(MonitorGrid, CellsOutsideTheChannelsAreHeadingsSeparatorSpacersOrOutside) {
    struct Case {
        int col, row;
        CellKind kind;
    };
    for (const Case& c : {Case{0, 0, CellKind::Heading},
                          {13, 6, CellKind::Heading},
                          {18, 0, CellKind::Heading},
                          {0, 5, CellKind::Separator},
                          {9, 5, CellKind::Separator},
                          {4, 1, CellKind::Spacer},
                          {9, 10, CellKind::Spacer},
                          {14, 6, CellKind::Spacer},
                          {-1, 1, CellKind::Outside},
                          {19, 1, CellKind::Outside},
                          {1, 11, CellKind::Outside},
                          {1, -1, CellKind::Outside}}) {
        const CellMeaning cell = CellAt(c.col, c.row);
        EXPECT_EQ(cell.kind, c.kind) << "cell " << c.col << "," << c.row;
        EXPECT_EQ(cell.channel, -1) << "cell " << c.col << "," << c.row;
    }
}

TEST(MonitorGrid, ColumnWidthsFollowTheGridWidth) {
    EXPECT_THAT(ColumnWidths(1001),
                ElementsAre(30, 80, 80, 50, 5, 30, 80, 80, 50, 5, 30, 80, 80, 50, 5, 30, 80, 80, 50));
    const auto wide = ColumnWidths(2000);
    EXPECT_EQ(wide[0], 60);
    EXPECT_EQ(wide[1], 160);
    EXPECT_EQ(wide[3], 100);
    EXPECT_EQ(wide[4], 10);
}

TEST(MonitorGrid, ColumnsWidenToTheirTextsFromTheSpareRoomThenFromGenerousColumns) {
    const auto formula = ColumnWidths(1001);  // 975 of 1001 used
    std::array<int, kGridColumns> needed{};
    for (int i = 0; i < kGridColumns; ++i) needed[i] = i % 5 == 4 ? 0 : i % 5 == 0 ? 31 : i % 5 == 3 ? 44 : 84;
    const auto fitted = FitColumnWidths(formula, needed, 1001);
    int total = 0;
    for (int i = 0; i < kGridColumns; ++i) {
        EXPECT_GE(fitted[i], needed[i]) << "column " << i;
        total += fitted[i];
    }
    EXPECT_LE(total, 1001);
    EXPECT_LT(fitted[3], 50) << "the rates, which had room to spare, gave some";
    // Needs the grid cannot meet: nothing runs past its edge.
    needed.fill(60);
    const auto squeezed = FitColumnWidths(formula, needed, 1001);
    total = 0;
    for (int w : squeezed) total += w;
    EXPECT_LE(total, 1001);
}

TEST(MonitorGrid, TheWindowOpensWithHeadingsAndChannelNumbersOnly) {
    RecordingDriver driver;
    const MonitorModel model(driver);
    for (int block = 0; block < 8; ++block) {
        const int row0 = (block / 4) * 6;
        const int col0 = (block % 4) * 5;
        EXPECT_EQ(model.Cell(col0, row0), "编号");
        EXPECT_EQ(model.Cell(col0 + 1, row0), "仪表显示(mm)");
        EXPECT_EQ(model.Cell(col0 + 2, row0), "位移结果(mm)");
        EXPECT_EQ(model.Cell(col0 + 3, row0), "传输率");
        EXPECT_EQ(model.Cell(col0 + 4, row0), "");
    }
    EXPECT_EQ(model.Cell(0, 1), " 01");
    EXPECT_EQ(model.Cell(5, 4), " 08");
    EXPECT_EQ(model.Cell(10, 1), " 09");
    EXPECT_EQ(model.Cell(15, 10), " 32");
    for (int c = 0; c < kChannels; ++c) {
        const ChannelCells cells = CellsOfChannel(c);
        EXPECT_EQ(model.Cell(cells.DisplayColumn(), cells.row), "");
        EXPECT_EQ(model.Cell(cells.DisplacementColumn(), cells.row), "");
        EXPECT_EQ(model.Cell(cells.RateColumn(), cells.row), "");
    }
    EXPECT_FALSE(model.SingleButton().visible);
    EXPECT_EQ(model.SingleButton().caption, "00#通道 显示归零");
    EXPECT_TRUE(driver.calls.empty()) << "building the window calls nothing";
}

TEST(FormatValue, ModesRoundTheExtraDigitAndTheDriverFormats) {
    constexpr auto P = HardwareType::Percent;
    constexpr auto T = HardwareType::Thousandth;
    constexpr auto S = DisplayMode::Standard;
    constexpr auto H = DisplayMode::HalfDigit;
    constexpr auto O = DisplayMode::OneDigit;
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    struct Case {
        int32_t value;
        HardwareType hardware;
        DisplayMode mode;
        const char* text;
    };
    const Case cases[] = {
        {12346, P, S, "     12.35"},
        {12346, P, H, "    12.345"},
        {12346, P, O, "    12.346"},
        {-12343, P, S, "    -12.34"},
        {-12343, P, H, "   -12.345"},
        {-12343, P, O, "   -12.343"},
        // Standard mode rounds half away from zero.
        {5, P, S, "      0.01"},
        {4, P, S, "      0.00"},
        {-5, P, S, "     -0.01"},
        {-4, P, S, "      0.00"},
        {0, P, S, "      0.00"},
        {12346, T, S, "     1.235"},
        {12346, T, O, "    1.2346"},
        // Half a digit: 0-2 down to 0, 3-7 to 5, 8-9 up into the next digit.
        {12342, P, H, "    12.340"},
        {12343, P, H, "    12.345"},
        {12347, P, H, "    12.345"},
        {12348, P, H, "    12.350"},
        {-12348, P, H, "   -12.350"},
        {-12342, P, H, "   -12.340"},
        {99998, T, H, "   10.0000"},
        // Numbers that do not fit ten characters: the driver's all-"*" text.
        {kMax, P, O, "***********"},
        {kMax, P, H, "***********"},
        {kMax, P, S, "2147483.65"},
        {kMin, P, S, "***********"},
        {kMin, P, H, "***********"},
        {-123456789, T, O, "***********"},
        {123456789, T, O, "12345.6789"},
    };
    RecordingDriver driver;
    for (const Case& c : cases) {
        EXPECT_EQ(FormatValue(driver, c.value, c.hardware, c.mode), c.text)
            << "value " << c.value << " hardware " << int(c.hardware) << " mode " << int(c.mode);
        EXPECT_EQ(driver.lastLength, 11);
    }
}

TEST(RateText, TenthsWithOneBlankBelowTenAndNothingForNegative) {
    const std::pair<int32_t, const char*> cases[] = {{0, "已脱离"},   {9, " 0.9次"},   {53, " 5.3次"},   {99, " 9.9次"},
                                                     {100, "10.0次"}, {200, "20.0次"}, {1234, "123.4次"}};
    for (const auto& [rate, text] : cases) {
        ASSERT_TRUE(RateText(rate).has_value()) << rate;
        EXPECT_EQ(*RateText(rate), text) << rate;
    }
    EXPECT_FALSE(RateText(-1).has_value());
    EXPECT_FALSE(RateText(std::numeric_limits<int32_t>::min()).has_value());
}

class Monitor : public ::testing::Test {
  protected:
    void Fresh(int channel, int32_t value, int32_t displacement, int32_t rate) {
        driver.data.updated[channel] = -1;
        driver.data.value[channel] = value;
        driver.data.displacement[channel] = displacement;
        driver.rates[channel] = rate;
    }
    void Quiet() {
        driver.data = {};
        driver.rates.fill(-1);
    }
    std::set<std::pair<int, int>> Changed(const ChangedCells& changed) {
        std::set<std::pair<int, int>> cells;
        for (const CellRef& cell : changed) cells.insert({cell.col, cell.row});
        return cells;
    }
    RecordingDriver driver;
    MonitorModel model{driver};
};

TEST_F(Monitor, TheDriverIsCalledInTheOrderOfTheWindowsLife) {
    EXPECT_FALSE(model.TimerEnabled());
    model.FormCreate();
    EXPECT_TRUE(model.TimerEnabled());
    Quiet();
    model.Timer1Timer();
    model.SpBtnDataZeroClick();
    model.SpBtnFastZeroClick();
    model.SpBtnStdZeroClick();
    model.SpBtnShowDLLClick();
    model.SpBtnHideDLLClick();
    model.FormClose();
    EXPECT_FALSE(model.TimerEnabled());
    EXPECT_THAT(driver.TakeCalls(),
                ElementsAre("SetNetSegment(1)", "GetReFlashRate32", "GetNewData32Ch", "SetDataZero", "CtrlFirmWare(2)",
                            "CtrlFirmWare(3)", "ShowCtrlForm", "HideCtrlForm", "DLL_End_Application"));
    RecordingDriver other;
    MonitorModel segmentFive(other, 5);
    segmentFive.FormCreate();
    EXPECT_THAT(other.calls, ElementsAre("SetNetSegment(5)"));
}

TEST_F(Monitor, ARefreshWritesFreshChannelsAndRatesAndLeavesTheRest) {
    Quiet();
    Fresh(2, 12346, -12343, 53);
    driver.rates[5] = 0;
    driver.rates[31] = 200;
    const ChangedCells changed = model.Timer1Timer();
    EXPECT_EQ(Changed(changed), (std::set<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}, {8, 2}, {18, 10}}));
    EXPECT_EQ(model.Cell(1, 3), "     12.35");
    EXPECT_EQ(model.Cell(2, 3), "    -12.34");
    EXPECT_EQ(model.Cell(3, 3), " 5.3次");
    EXPECT_EQ(model.Cell(8, 2), "已脱离");
    EXPECT_EQ(model.Cell(18, 10), "20.0次");
    EXPECT_EQ(model.Cell(6, 2), "") << "a dropped-out channel's values keep their text";

    // Nothing fresh and negative rates: nothing changes.
    Quiet();
    EXPECT_TRUE(model.Timer1Timer().empty());
    EXPECT_EQ(model.Cell(1, 3), "     12.35");
    EXPECT_EQ(model.Cell(3, 3), " 5.3次");

    // The same texts again are no change either.
    Fresh(2, 12346, -12343, 53);
    EXPECT_TRUE(model.Timer1Timer().empty());
}

TEST_F(Monitor, ANewModeShowsAtTheChannelsNextUpdateOnly) {
    Quiet();
    Fresh(0, 12346, 12346, 50);
    Fresh(1, 12346, 12346, 50);
    model.Timer1Timer();
    model.SetHardwareType(HardwareType::Thousandth);
    model.SetDisplayMode(DisplayMode::HalfDigit);
    Quiet();
    Fresh(1, 12346, 12346, 50);
    const ChangedCells changed = model.Timer1Timer();
    EXPECT_EQ(Changed(changed), (std::set<std::pair<int, int>>{{1, 2}, {2, 2}}));
    EXPECT_EQ(model.Cell(1, 1), "     12.35");
    EXPECT_EQ(model.Cell(1, 2), "    1.2345");
}

TEST_F(Monitor, TheSingleChannelButtonFollowsValueCellsAndSendsItsCommand) {
    struct Click {
        int col, row;
        const char* caption;
        int32_t command;
        const char* call;
    };
    for (const Click& c : {Click{16, 7, "29#通道 显示归零", 56, "SetHardWareZeroCh(28)"},
                           {17, 7, "29#通道 位移归零", 57, "SetDataZeroCh(28)"},
                           {6, 1, "05#通道 显示归零", 8, "SetHardWareZeroCh(4)"},
                           {2, 1, "01#通道 位移归零", 1, "SetDataZeroCh(0)"},
                           {17, 10, "32#通道 位移归零", 63, "SetDataZeroCh(31)"}}) {
        model.StringGridDataClick(c.col, c.row);
        EXPECT_EQ(model.CurrentCell(), (CellRef{c.col, c.row}));
        EXPECT_TRUE(model.SingleButton().visible) << c.caption;
        EXPECT_EQ(model.SingleButton().caption, c.caption);
        EXPECT_EQ(model.SingleButton().command, c.command);
        model.SPBtnSigleCtrlClick();
        EXPECT_THAT(driver.TakeCalls(), ElementsAre(c.call));
    }
    // Headings, the separator, numbers, rates and spacers hide it; it keeps
    // the last channel and column.
    for (const auto& [col, row] : {std::pair{1, 0}, {16, 6}, {1, 5}, {0, 1}, {15, 7}, {3, 2}, {18, 7}, {4, 3}}) {
        model.StringGridDataClick(16, 7);
        model.StringGridDataClick(col, row);
        EXPECT_FALSE(model.SingleButton().visible) << "cell " << col << "," << row;
        EXPECT_EQ(model.SingleButton().caption, "29#通道 显示归零");
        EXPECT_EQ(model.SingleButton().command, 56);
    }
    EXPECT_TRUE(driver.calls.empty()) << "a click on a cell sends nothing";
}

TEST_F(Monitor, TheHardwareCountdownIsKeptButNoButtonStartsIt) {
    Quiet();
    model.SpBtnFastZeroClick();
    model.SpBtnStdZeroClick();
    EXPECT_EQ(model.HwZeroCountdown(), 0);
    model.Timer1Timer();
    EXPECT_EQ(model.HwControls(), HardwareControls{});
    driver.TakeCalls();

    model.SetHwZeroCountdown(200);
    model.Timer1Timer();
    EXPECT_EQ(model.HwControls(), (HardwareControls{false, true, 0}));
    for (int tick = 0; tick < 197; ++tick) model.Timer1Timer();
    EXPECT_EQ(model.HwZeroCountdown(), 2);
    EXPECT_EQ(model.HwControls(), (HardwareControls{false, true, 99}));
    model.Timer1Timer();
    EXPECT_EQ(model.HwControls(), (HardwareControls{false, true, 99}));
    driver.TakeCalls();
    model.Timer1Timer();
    EXPECT_EQ(model.HwZeroCountdown(), 0);
    EXPECT_EQ(model.HwControls(), HardwareControls{});
    EXPECT_THAT(driver.TakeCalls(), ElementsAre("GetReFlashRate32", "GetNewData32Ch", "CtrlFirmWare(0)"));

    model.SetHwZeroCountdown(255);  // beyond the full count: no negative progress
    model.Timer1Timer();
    EXPECT_EQ(model.HwControls().gaugeProgress, 0);
}

}  // namespace
}  // namespace vexla::monitor
