#include "station/model/station.h"

#include <algorithm>
#include <cmath>

#include "station/model/station_texts.h"

namespace vexla::station {

namespace {

recorder::RecordingSettings RecordingFor(const StationSettings& s, const quality::LimitsTable& limits,
                                         const quality::ControlLimitsTable& given) {
    recorder::RecordingSettings r;
    for (int c = 1; c <= quality::kChannels; ++c) {
        r.channels[static_cast<size_t>(c - 1)] = s.Chosen(c);
        r.kinds[static_cast<size_t>(c - 1)] =
            s.Decimals(c) == 3 ? monitor::HardwareType::Thousandth : monitor::HardwareType::Percent;
    }
    r.limits = limits;
    r.capture = true;
    r.identified = true;
    r.judgementColumn = true;  // every day's file has the same columns
    r.missingRows = true;      // and every part, one without any reading too
    r.givenLimits = given;
    r.chart.subgroup = 1;  // one value per part: I-MR
    return r;
}

}  // namespace

Station::Station(StationSettings settings, quality::LimitsTable limits, quality::ControlLimitsTable given)
    : settings_(std::move(settings)),
      limits_(std::move(limits)),
      channels_(settings_.ChosenChannels()),
      recording_(RecordingFor(settings_, limits_, given)) {
    rates_.fill(-1);
    if (!channels_.empty()) selected_ = channels_.front();
    for (const int c : channels_) tiles_[Index(c)] = TileOf(c);
}

std::string Station::Name(int channel) const {
    if (const std::string& own = settings_.names[Index(channel)]; !own.empty()) return own;
    if (const auto& l = limits_.For(channel); l && !l->name.empty()) return l->name;
    return (settings_.language == Language::English ? "Channel " : "通道") + std::to_string(channel);
}

TileState Station::TileOf(int channel) const {
    TileInput input;
    // A silent gauge's last reading is not the part that is there now.
    if (rates_[Index(channel)] != 0) input.displacement = current_[Index(channel)];
    input.decimals = settings_.Decimals(channel);
    input.limits = limits_.For(channel);
    input.warningFraction = settings_.warningFraction;
    input.ruleBroken = ruleBroken_[Index(channel)];
    return TileStateOf(input);
}

uint32_t Station::Take(const int32_t (&rates)[32], const VexlaDataBlock32& block) {
    std::string none;
    recording_.TakeResult(block, rates, recorder::LocalTime{}, none);  // capture mode: only the latest readings
    uint32_t changed = 0;
    for (const int c : channels_) {
        const size_t i = Index(c);
        if (rates[i] >= 0) rates_[i] = rates[i];
        if (block.updated[i] != 0) {
            const monitor::HardwareType kind =
                settings_.Decimals(c) == 3 ? monitor::HardwareType::Thousandth : monitor::HardwareType::Percent;
            current_[i] = recorder::ReadingOf(block.value[i], block.displacement[i], kind).displacement;
        }
        TileState tile = TileOf(c);
        if (!(tile == tiles_[i])) {
            tiles_[i] = std::move(tile);
            changed |= 1u << i;
        }
    }
    return changed;
}

PartResult Station::Capture(const recorder::LocalTime& now, std::string partId,
                            std::optional<uint64_t> lastPartInFile) {
    if (lastPartInFile) recording_.NumberPartsAfter(*lastPartInFile);
    PartResult part;
    part.identity = {std::move(partId), settings_.batch, settings_.operatorName};
    part.time = now;
    recording_.Capture(now, part.identity, part.rows, part.verdict);
    part.number = recording_.LastPartNumber();
    ++parts_;
    if (!part.verdict.Ok()) ++nok_;

    // Each characteristic's chart: the new point, and the points a rule
    // found broken (the baseline's own when it completes).
    std::array<bool, quality::kChannels> captured{};
    for (const recorder::ReadingRow& row : recording_.LastCaptureRows()) {
        if (row.missing) continue;
        const size_t i = Index(row.channel);
        captured[i] = true;
        shiftStats_[i].Add(row.displacement);
        HistoryPoint p;
        p.index = recording_.Chart(row.channel).PartCount() - 1;
        p.point.part = row.part;
        p.point.value = quality::ToMillimetres(row.displacement);
        if (!history_[i].empty() && history_[i].back().index + 1 == p.index)
            p.point.movingRange = std::fabs(p.point.value - history_[i].back().point.value);
        history_[i].push_back(p);
        if (history_[i].size() > static_cast<size_t>(kChartParts)) history_[i].pop_front();
        ruleBroken_[i] = false;
    }
    for (const auto& [channel, violation] : recording_.LastCaptureViolations()) {
        const size_t i = Index(channel);
        for (HistoryPoint& h : history_[i]) {
            if (h.index != violation.point) continue;
            (violation.chart == quality::ChartSide::Location ? h.point.locationBroken : h.point.spreadBroken) = true;
            if (h.index + 1 == recording_.Chart(channel).PartCount()) ruleBroken_[i] = true;
        }
    }
    for (const int c : channels_)
        if (captured[Index(c)]) tiles_[Index(c)] = TileOf(c);
    last_ = part;
    return part;
}

std::string PartResult::Text(const Station& station) const {
    const StationTexts& t = TextsFor(station.Settings().language);
    if (verdict.Ok()) return t.ok;
    std::string text = t.nok;
    const auto list = [&](const char* what, const std::vector<int>& channels) {
        if (channels.empty()) return;
        text += text.size() > std::string(t.nok).size() ? "; " : ": ";
        text += what;
        text += ' ';
        for (size_t k = 0; k < channels.size(); ++k) {
            if (k > 0) text += ", ";
            text += station.Name(channels[k]);
        }
    };
    list(t.outside, verdict.outside);
    list(t.missing, verdict.missing);
    return text;
}

std::optional<double> Station::YieldPercent() const {
    if (parts_ == 0) return std::nullopt;
    return 100.0 * static_cast<double>(parts_ - nok_) / static_cast<double>(parts_);
}

void Station::NewShift(std::string batch, std::string operatorName) {
    settings_.batch = std::move(batch);
    settings_.operatorName = std::move(operatorName);
    parts_ = nok_ = 0;
    for (quality::RunningStats& s : shiftStats_) s.Reset();
}

void Station::Select(int channel) {
    if (std::find(channels_.begin(), channels_.end(), channel) != channels_.end()) selected_ = channel;
}

ChartPanel Station::Chart(int channel) const {
    ChartPanel panel;
    panel.channel = channel;
    if (channel < 1 || channel > quality::kChannels) return panel;
    const quality::LiveChart& chart = recording_.Chart(channel);
    for (const HistoryPoint& h : history_[Index(channel)]) panel.points.push_back(h.point);
    panel.limits = chart.Limits();
    panel.tolerance = limits_.For(channel);
    panel.baselineParts = static_cast<size_t>(std::max(chart.Settings().baselineParts, 2));
    panel.parts = chart.PartCount();
    return panel;
}

std::vector<CapabilityRow> Station::WorstFirst() const {
    std::vector<CapabilityRow> rows;
    for (const int c : channels_) {
        CapabilityRow row;
        row.channel = c;
        row.count = shiftStats_[Index(c)].Count();
        if (const auto& l = limits_.For(c))
            if (const auto capability = quality::CapabilityOf(shiftStats_[Index(c)], *l)) row.ppk = capability->cpk;
        rows.push_back(row);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const CapabilityRow& a, const CapabilityRow& b) {
        if (a.ppk && b.ppk) return *a.ppk < *b.ppk;
        return a.ppk.has_value() && !b.ppk.has_value();
    });
    return rows;
}

bool Station::MasterDue(int64_t nowMs) const {
    if (settings_.masterIntervalHours <= 0) return false;
    if (!settings_.lastMaster) return true;
    const auto interval = static_cast<int64_t>(settings_.masterIntervalHours * 3600.0 * 1000.0);
    return nowMs - settings_.lastMaster->EpochMilliseconds() >= interval;
}

void Station::ZeroOnMaster(host::DriverCalls& driver, const recorder::LocalTime& now) {
    for (const int c : channels_) driver.SetDataZeroCh(static_cast<uint32_t>(c - 1));
    settings_.lastMaster = now;
}

}  // namespace vexla::station
