#include "channel_statistics.h"

#include "quality/millimetres.h"

namespace vexla::monitor::terminal {

namespace {

const quality::RunningStats kNoStats;

}  // namespace

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
}

void ChannelStatistics::Zeroed(int channel) {
    if (!Valid(channel)) return;
    stats_[static_cast<std::size_t>(channel)].Reset();
    settle_[static_cast<std::size_t>(channel)] = kSettleTicks;
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
