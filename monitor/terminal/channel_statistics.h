#pragma once
// The terminal edition's statistics: each channel's minimum, maximum and
// range of the displacement since the last reset, and its judgement against
// tolerance limits. They follow the numbers as the screen shows them, in
// the unit the gauge type and display mode give. Portable, like the layout.

#include <array>
#include <bitset>
#include <optional>
#include <string>

#include "monitor/model/monitor_exports.h"
#include "monitor/model/monitor_grid.h"
#include "monitor/model/value_texts.h"
#include "quality/characteristic_chart.h"
#include "quality/control_limits_file.h"
#include "quality/running_stats.h"
#include "quality/tolerance_limits.h"

namespace vexla::monitor::terminal {

// The driver as the model sees it, with the last data block kept aside, so
// that the statistics take exactly the numbers the grid was refreshed with.
class BlockTap final : public host::ForwardingDriver {
  public:
    explicit BlockTap(host::DriverCalls& driver) : ForwardingDriver(driver) {}
    const VexlaDataBlock32& Block() const { return block_; }

    void GetNewData32Ch(VexlaDataBlock32* block) override {
        ForwardingDriver::GetNewData32Ch(block);
        block_ = *block;
    }

  private:
    VexlaDataBlock32 block_{};
};

using ChannelSet = std::bitset<kChannels>;

class ChannelStatistics {
  public:
    // Refreshes passed over after a displacement's zero point moved: the
    // driver averages up to 40 of its 50 ms steps and holds two results
    // for the host, and until those are through a displacement still mixes
    // readings from before the zero with readings after it. Counted in the
    // monitor's own 50 ms ticks, with some room for a late driver.
    static constexpr int kSettleTicks = 50;

    // Points a broken rule keeps a chart shown out of control: about five
    // seconds of a gauge's readings.
    static constexpr std::size_t kOutOfControlPoints = 25;

    explicit ChannelStatistics(quality::LimitsTable limits = {}, quality::ControlLimitsTable controlLimits = {});

    // One refresh: every channel with a fresh reading, in the unit the
    // screen shows. Another gauge type or display mode starts them all
    // afresh, since their numbers were in another unit. Returns the
    // channels whose minimum or maximum changed.
    ChannelSet Feed(const VexlaDataBlock32& block, HardwareType hardware, DisplayMode mode);

    // The operator's reset: counting starts again with the next reading.
    void ResetAll();
    // A channel's displacement (or every one) was zeroed: counting starts
    // again once the jump has passed through the driver's averaging.
    void Zeroed(int channel);
    void ZeroedAll();

    // Channel 0..31.
    const quality::RunningStats& Of(int channel) const;
    // Empty texts before the first reading since a reset.
    std::string MinimumText(int channel) const;
    std::string MaximumText(int channel) const;
    std::string RangeText(int channel) const;

    bool HasLimits() const { return !limits_.Empty(); }
    // Control limits were given for some channel: its readings go onto an
    // individuals chart, judged by the run rules as they come.
    bool HasCharts() const;
    // "" without a chart or before its first reading; "受控", or "失控" with
    // the rule last broken ("失控R2", "失控MR") while that was within the
    // last kOutOfControlPoints readings.
    std::string ChartText(int channel) const;
    bool OutOfControl(int channel) const;
    // Nothing for a channel without limits or without a reading (of its
    // shown displacement, or since the reset for the extremes).
    std::optional<quality::Judgement> JudgeDisplacement(int channel) const;
    std::optional<quality::Judgement> JudgeMinimum(int channel) const;
    std::optional<quality::Judgement> JudgeMaximum(int channel) const;

  private:
    std::optional<quality::Judgement> Judge(int channel, std::optional<quality::Fixed> value) const;
    std::string Text(int channel, quality::Fixed value) const;
    bool Valid(int channel) const { return channel >= 0 && channel < kChannels; }

    void StartChart(std::size_t channel);
    void StartCharts();

    quality::LimitsTable limits_;
    quality::ControlLimitsTable controlLimits_;
    std::array<std::optional<quality::LiveChart>, kChannels> charts_;
    std::array<quality::RunningStats, kChannels> stats_{};
    // The displacement the screen shows now, judged even while settling.
    std::array<std::optional<quality::Fixed>, kChannels> shown_{};
    std::array<int, kChannels> settle_{};
    HardwareType hardware_ = HardwareType::Percent;
    DisplayMode mode_ = DisplayMode::Standard;
    int decimals_ = ShownNumberOf(0, HardwareType::Percent, DisplayMode::Standard).decimals;
};

}  // namespace vexla::monitor::terminal
