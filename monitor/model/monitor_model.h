#pragma once
// The monitor as data: what every cell, the single-channel button and the
// hardware controls show, and what each handler of the window does. The
// Windows window and the terminal edition render this model and forward the
// user's actions to it; neither keeps state of its own beyond the controls.

#include <array>
#include <cstdint>
#include <string>

#include "monitor/model/monitor_exports.h"
#include "monitor/model/monitor_grid.h"
#include "monitor/model/value_texts.h"

namespace vexla::monitor {

struct CellRef {
    int col = 0;
    int row = 0;
    friend bool operator==(const CellRef&, const CellRef&) = default;
};

// The cells one refresh changed: at most three per channel.
struct ChangedCells {
    std::array<CellRef, kChannels * 3> cells{};
    int count = 0;
    const CellRef* begin() const { return cells.data(); }
    const CellRef* end() const { return cells.data() + count; }
    bool empty() const { return count == 0; }
};

// "00#通道 显示归零": the command for one channel's gauge or displacement.
struct SingleChannelButton {
    bool visible = false;
    std::string caption;
    // 2 × channel index + 0 for the display column, + 1 for the displacement column.
    int32_t command = 0;
};

// The hardware group and the progress bar that lies over its two buttons.
struct HardwareControls {
    bool groupEnabled = true;
    bool gaugeVisible = false;
    int gaugeProgress = 0;  // 0..100
    friend bool operator==(const HardwareControls&, const HardwareControls&) = default;
};

class MonitorModel {
  public:
    static constexpr uint32_t kDefaultSegment = 1;
    static constexpr int kTimerIntervalMs = 50;

    explicit MonitorModel(host::DriverCalls& driver, uint32_t segment = kDefaultSegment);

    // The window's handlers.
    void FormCreate();  // chooses the segment; the timer runs from here on
    void FormClose();   // ends the driver's session
    // One timer tick: the refresh, then the countdown.
    ChangedCells Timer1Timer();
    void StringGridDataClick(int col, int row);
    void SPBtnSigleCtrlClick();
    void SpBtnDataZeroClick() { driver_.SetDataZero(); }
    void SpBtnFastZeroClick() { driver_.CtrlFirmWare(kZeroAndGoFast); }
    void SpBtnStdZeroClick() { driver_.CtrlFirmWare(kZeroAndGoSlow); }
    void SpBtnShowDLLClick() { driver_.ShowCtrlForm(); }
    void SpBtnHideDLLClick() { driver_.HideCtrlForm(); }

    // One refresh with what the driver handed out: the rates first, then the
    // 320-byte block. Only cells whose text changes are reported.
    ChangedCells RefreshGrid(const std::array<int32_t, kChannels>& rates, const VexlaDataBlock32& block);

    // The two radio groups, read afresh at every tick.
    void SetHardwareType(HardwareType type) { hardware_ = type; }
    void SetDisplayMode(DisplayMode mode) { mode_ = mode; }
    HardwareType Hardware() const { return hardware_; }
    DisplayMode Mode() const { return mode_; }

    const std::string& Cell(int col, int row) const;
    CellRef CurrentCell() const { return {current_col_, current_row_}; }
    const SingleChannelButton& SingleButton() const { return single_; }
    const HardwareControls& HwControls() const { return hw_; }
    bool TimerEnabled() const { return timer_enabled_; }
    uint32_t Segment() const { return segment_; }

    // A countdown that nothing in the window starts (the two state buttons
    // only send their command). While it runs, each tick holds the hardware
    // group disabled and shows the progress; at its end the gauges are
    // switched to the fast state without zeroing.
    void SetHwZeroCountdown(uint8_t ticks) { HwZeroCountdown_ = ticks; }
    uint8_t HwZeroCountdown() const { return HwZeroCountdown_; }

    // The driver's command codes the buttons send.
    static constexpr uint8_t kFastNoZero = 0;     // 转快速状态,无需调零
    static constexpr uint8_t kZeroAndGoFast = 2;  // 转快速状态,尝试调零
    static constexpr uint8_t kZeroAndGoSlow = 3;  // 转标准状态,尝试调零

  private:
    void SetCell(int col, int row, std::string text, ChangedCells& changed);
    void CountDown();

    host::DriverCalls& driver_;
    uint32_t segment_;
    std::array<std::string, kGridColumns * kGridRows> cells_;
    HardwareType hardware_ = HardwareType::Percent;
    DisplayMode mode_ = DisplayMode::Standard;
    uint16_t current_col_ = 0;
    uint16_t current_row_ = 0;
    SingleChannelButton single_;
    HardwareControls hw_;
    uint8_t HwZeroCountdown_ = 0;
    bool timer_enabled_ = false;
};

}  // namespace vexla::monitor
