#include "channel_statistics.h"

#include "quality/millimetres.h"

namespace vexla::monitor::terminal {

namespace {

const quality::RunningStats kNoStats;

}  // namespace

ChannelStatistics::ChannelStatistics(quality::LimitsTable limits, quality::ControlLimitsTable controlLimits)
    : limits_(std::move(limits)), controlLimits_(std::move(controlLimits)) {
    StartCharts();
}

void ChannelStatistics::StartChart(std::size_t channel) {
    charts_[channel].reset();
    if (!controlLimits_[channel]) return;
    quality::ChartSettings settings;
    settings.given = controlLimits_[channel];
    settings.keepHistory = false;  // a monitor runs for days
    charts_[channel].emplace(settings);
}

void ChannelStatistics::StartCharts() {
    for (std::size_t c = 0; c < charts_.size(); ++c) StartChart(c);
}

bool ChannelStatistics::HasCharts() const {
    for (const auto& chart : charts_)
        if (chart) return true;
    return false;
}

bool ChannelStatistics::OutOfControl(int channel) const {
    if (!Valid(channel) || !charts_[static_cast<std::size_t>(channel)]) return false;
    const quality::LiveChart& chart = *charts_[static_cast<std::size_t>(channel)];
    const auto& last = chart.LastViolation();
    return last && chart.PartCount() - last->lastPart <= kOutOfControlPoints;
}

std::string ChannelStatistics::ChartText(int channel) const {
    if (!Valid(channel) || !charts_[static_cast<std::size_t>(channel)]) return {};
    const quality::LiveChart& chart = *charts_[static_cast<std::size_t>(channel)];
    if (chart.PartCount() == 0) return {};
    if (!OutOfControl(channel)) return "受控";
    const quality::Violation& last = *chart.LastViolation();
    return last.chart == quality::ChartSide::Spread ? "失控MR" : "失控R" + std::to_string(last.rule);
}

ChannelSet ChannelStatistics::Feed(const VexlaDataBlock32& block, HardwareType hardware, DisplayMode mode) {
    ChannelSet changed;
    if (hardware != hardware_ || mode != mode_) {
        ResetAll();
        hardware_ = hardware;
        mode_ = mode;
        decimals_ = ShownNumberOf(0, hardware, mode).decimals;
        changed.set();
    }
    for (int c = 0; c < kChannels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const bool settling = settle_[i] > 0;
        if (settling) --settle_[i];
        if (block.updated[i] == 0) continue;
        const ShownNumber shown = ShownNumberOf(block.displacement[i], hardware, mode);
        const quality::Fixed value = quality::FixedOf(shown.value, shown.decimals);
        shown_[i] = value;
        if (settling) continue;
        if (charts_[i]) {
            const std::string before = ChartText(c);
            charts_[i]->Add(static_cast<double>(value) / static_cast<double>(quality::kFixedPerMm));
            if (ChartText(c) != before) changed.set(i);
        }
        quality::RunningStats& s = stats_[i];
        const bool first = s.Count() == 0;
        const quality::Fixed minimum = s.Minimum();
        const quality::Fixed maximum = s.Maximum();
        s.Add(value);
        if (first || s.Minimum() != minimum || s.Maximum() != maximum) changed.set(i);
    }
    return changed;
}

void ChannelStatistics::ResetAll() {
    // A zero still passing through the averaging is passed over all the same.
    for (quality::RunningStats& s : stats_) s.Reset();
    StartCharts();
}

void ChannelStatistics::Zeroed(int channel) {
    if (!Valid(channel)) return;
    stats_[static_cast<std::size_t>(channel)].Reset();
    settle_[static_cast<std::size_t>(channel)] = kSettleTicks;
    // A new zero point moves the readings: the chart starts again.
    StartChart(static_cast<std::size_t>(channel));
}

void ChannelStatistics::ZeroedAll() {
    ResetAll();
    settle_.fill(kSettleTicks);
}

const quality::RunningStats& ChannelStatistics::Of(int channel) const {
    return Valid(channel) ? stats_[static_cast<std::size_t>(channel)] : kNoStats;
}

std::string ChannelStatistics::Text(int channel, quality::Fixed value) const {
    return Of(channel).Count() == 0 ? std::string() : quality::MillimetreText(value, decimals_);
}

std::string ChannelStatistics::MinimumText(int channel) const {
    return Text(channel, Of(channel).Minimum());
}

std::string ChannelStatistics::MaximumText(int channel) const {
    return Text(channel, Of(channel).Maximum());
}

std::string ChannelStatistics::RangeText(int channel) const {
    return Text(channel, Of(channel).Range());
}

std::optional<quality::Judgement> ChannelStatistics::Judge(int channel, std::optional<quality::Fixed> value) const {
    const std::optional<quality::ChannelLimits>& limits = limits_.For(channel + 1);
    if (!limits || !value) return std::nullopt;
    return limits->Judge(*value);
}

std::optional<quality::Judgement> ChannelStatistics::JudgeDisplacement(int channel) const {
    return Judge(channel, Valid(channel) ? shown_[static_cast<std::size_t>(channel)] : std::nullopt);
}

std::optional<quality::Judgement> ChannelStatistics::JudgeMinimum(int channel) const {
    if (Of(channel).Count() == 0) return std::nullopt;
    return Judge(channel, Of(channel).Minimum());
}

std::optional<quality::Judgement> ChannelStatistics::JudgeMaximum(int channel) const {
    if (Of(channel).Count() == 0) return std::nullopt;
    return Judge(channel, Of(channel).Maximum());
}

}  // namespace vexla::monitor::terminal
