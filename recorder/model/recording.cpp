#include "recorder/model/recording.h"

namespace vexla::recorder {

Reading ReadingOf(int32_t value, int32_t displacement, monitor::HardwareType kind) {
    const monitor::ShownNumber shownValue = monitor::ShownNumberOf(value, kind, monitor::DisplayMode::Standard);
    const monitor::ShownNumber shownDisplacement =
        monitor::ShownNumberOf(displacement, kind, monitor::DisplayMode::Standard);
    return {quality::FixedOf(shownValue.value, shownValue.decimals),
            quality::FixedOf(shownDisplacement.value, shownDisplacement.decimals), shownValue.decimals};
}

Recording::Recording(RecordingSettings settings) : settings_(std::move(settings)), layout_(settings_.Layout()) {
    for (int c = 0; c < quality::kChannels; ++c) {
        statistics_[static_cast<size_t>(c)].channel = c + 1;
        statistics_[static_cast<size_t>(c)].decimals =
            settings_.kinds[static_cast<size_t>(c)] == monitor::HardwareType::Thousandth ? 3 : 2;
        quality::ChartSettings chart = settings_.chart;
        chart.keepHistory = false;  // a run of any length in the same memory
        chart.given = settings_.givenLimits[static_cast<size_t>(c)];
        charts_.emplace_back(chart);
    }
    rates_.fill(-1);
}

size_t Recording::TakeResult(const VexlaDataBlock32& block, const int32_t (&rates)[32], const LocalTime& now,
                             std::string& out) {
    size_t written = 0;
    found_.clear();
    for (size_t c = 0; c < quality::kChannels; ++c) {
        if (rates[c] >= 0) rates_[c] = rates[c];
        if (!settings_.channels[c] || block.updated[c] == 0) continue;
        latest_[c] = ReadingOf(block.value[c], block.displacement[c], settings_.kinds[c]);
        if (settings_.capture) continue;
        ReadingRow row;
        row.time = now;
        row.channel = static_cast<int>(c) + 1;
        row.rate = rates_[c];
        AppendCsvRow(out, Row(row), layout_);
        ++written;
    }
    rows_ += written;
    return written;
}

size_t Recording::Capture(const LocalTime& now, const PartIdentity& identity, std::string& out, PartVerdict& verdict) {
    ++captures_;
    verdict = {};
    found_.clear();
    std::vector<ReadingRow>& rows = lastCapture_;
    rows.clear();
    for (size_t c = 0; c < quality::kChannels; ++c) {
        if (!settings_.channels[c]) continue;
        // A silent channel's last reading is not the part on the station now.
        ReadingRow row;
        row.part = partBase_ + captures_;
        row.partId = identity.id;
        row.batch = identity.batch;
        row.operatorName = identity.operatorName;
        row.time = now;
        row.channel = static_cast<int>(c) + 1;
        row.rate = rates_[c];
        if (!latest_[c] || rates_[c] == 0) {
            verdict.missing.push_back(row.channel);
            row.missing = true;
            if (settings_.missingRows) rows.push_back(row);
            continue;
        }
        rows.push_back(Row(row));
        if (rows.back().judgement && *rows.back().judgement != quality::Judgement::Ok)
            verdict.outside.push_back(row.channel);
    }
    if (!verdict.Ok()) ++nokParts_;
    const std::string text = verdict.Text();
    for (ReadingRow& row : rows) {
        row.partVerdict = text;
        AppendCsvRow(out, row, layout_);
    }
    rows_ += rows.size();
    return rows.size();
}

ReadingRow Recording::Row(const ReadingRow& base) {
    const auto c = static_cast<size_t>(base.channel - 1);
    ReadingRow row = base;
    row.value = latest_[c]->value;
    row.displacement = latest_[c]->displacement;
    row.decimals = latest_[c]->decimals;
    row.judgement = statistics_[c].summary.Add(row.displacement, settings_.limits.For(base.channel));
    const auto found =
        charts_[c].Add(static_cast<double>(row.displacement) / static_cast<double>(quality::kFixedPerMm));
    if (!found.empty()) lastViolation_ = {base.channel, found.back()};
    for (const quality::Violation& v : found) found_.emplace_back(base.channel, v);
    return row;
}

quality::ControlLimitsTable Recording::ControlLimits() const {
    quality::ControlLimitsTable table;
    for (size_t c = 0; c < charts_.size(); ++c) table[c] = charts_[c].Limits();
    return table;
}

std::string PartVerdict::Text() const {
    if (Ok()) return "OK";
    // Appended piece by piece: GCC 12's optimiser warns falsely about
    // " " + a temporary string.
    std::string text = "NOK";
    const auto add = [&](int channel) {
        text += ' ';
        text += std::to_string(channel);
    };
    for (int c : outside) add(c);
    if (!missing.empty()) text += " missing";
    for (int c : missing) add(c);
    return text;
}

StatisticsTable Recording::Statistics() const {
    return MakeStatisticsTable(std::vector<ChannelStatistics>(statistics_.begin(), statistics_.end()),
                               settings_.limits);
}

}  // namespace vexla::recorder
