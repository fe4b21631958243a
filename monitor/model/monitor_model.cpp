#include "monitor/model/monitor_model.h"

#include <algorithm>
#include <utility>

#include "monitor/model/monitor_texts.h"

namespace vexla::monitor {

namespace {

constexpr std::size_t Index(int col, int row) {
    return static_cast<std::size_t>(row) * kGridColumns + static_cast<std::size_t>(col);
}

constexpr int kCountdownFull = 200;

}  // namespace

MonitorModel::MonitorModel(host::DriverCalls& driver, uint32_t segment) : driver_(driver), segment_(segment) {
    for (int row = 0; row < kGridRows; ++row)
        for (int col = 0; col < kGridColumns; ++col) cells_[Index(col, row)] = InitialCellText(col, row);
    single_.caption = "00";
    single_.caption += texts::kDisplayZeroSuffix;
}

void MonitorModel::FormCreate() {
    driver_.SetNetSegment(segment_);
    timer_enabled_ = true;
}

void MonitorModel::FormClose() {
    timer_enabled_ = false;
    driver_.DLL_End_Application();
}

ChangedCells MonitorModel::Timer1Timer() {
    // The rates first: the driver hands out the rates of the result that the
    // data call then takes.
    std::array<int32_t, kChannels> rates{};
    driver_.GetReFlashRate32(rates.data());
    VexlaDataBlock32 block{};
    driver_.GetNewData32Ch(&block);
    const ChangedCells changed = RefreshGrid(rates, block);
    CountDown();
    return changed;
}

ChangedCells MonitorModel::RefreshGrid(const std::array<int32_t, kChannels>& rates, const VexlaDataBlock32& block) {
    ChangedCells changed;
    for (int c = 0; c < kChannels; ++c) {
        const ChannelCells cells = CellsOfChannel(c);
        if (block.updated[c] != 0) {
            SetCell(cells.DisplayColumn(), cells.row, FormatValue(driver_, block.value[c], hardware_, mode_), changed);
            SetCell(cells.DisplacementColumn(), cells.row,
                    FormatValue(driver_, block.displacement[c], hardware_, mode_), changed);
        }
        if (auto rate = RateText(rates[c])) SetCell(cells.RateColumn(), cells.row, std::move(*rate), changed);
    }
    return changed;
}

void MonitorModel::StringGridDataClick(int col, int row) {
    current_col_ = static_cast<uint16_t>(col);
    current_row_ = static_cast<uint16_t>(row);
    const CellMeaning cell = CellAt(current_col_, current_row_);
    const bool display = cell.kind == CellKind::DisplayValue;
    if (!display && cell.kind != CellKind::Displacement) {
        single_.visible = false;
        return;
    }
    single_.caption = TwoDigitChannelNumber(cell.channel);
    single_.caption += display ? texts::kDisplayZeroSuffix : texts::kDisplacementZeroSuffix;
    single_.command = 2 * cell.channel + (display ? 0 : 1);
    single_.visible = true;
}

void MonitorModel::SPBtnSigleCtrlClick() {
    const auto channel = static_cast<uint32_t>(single_.command / 2);
    if (single_.command % 2 == 0) {
        driver_.SetHardWareZeroCh(channel);  // the gauge itself
    } else {
        driver_.SetDataZeroCh(channel);  // the driver's zero point
    }
}

const std::string& MonitorModel::Cell(int col, int row) const {
    static const std::string kNone;
    if (col < 0 || col >= kGridColumns || row < 0 || row >= kGridRows) return kNone;
    return cells_[Index(col, row)];
}

void MonitorModel::SetCell(int col, int row, std::string text, ChangedCells& changed) {
    std::string& cell = cells_[Index(col, row)];
    if (cell == text) return;
    cell = std::move(text);
    changed.cells[static_cast<std::size_t>(changed.count++)] = {col, row};
}

void MonitorModel::CountDown() {
    if (HwZeroCountdown_ == 0) return;
    --HwZeroCountdown_;
    if (HwZeroCountdown_ == 0) {
        hw_ = {};
        driver_.CtrlFirmWare(kFastNoZero);
        return;
    }
    hw_.groupEnabled = false;
    hw_.gaugeVisible = true;
    // A countdown started above 200 would give a negative progress.
    hw_.gaugeProgress = std::max(0, (kCountdownFull - HwZeroCountdown_) / 2);
}

}  // namespace vexla::monitor
