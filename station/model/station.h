#pragma once
// The inspection station as data: the live tile of every chosen
// characteristic, the capture of a part and its verdict, the shift's
// counters, the chart and capability of each characteristic, and the
// mastering reminder. The window and the terminal edition render it and
// forward the operator's actions; the driver and the clock come from them.

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "host/driver_calls.h"
#include "quality/control_limits_file.h"
#include "quality/running_stats.h"
#include "recorder/model/recording.h"
#include "station/model/station_settings.h"
#include "station/model/tile_state.h"

namespace vexla::station {

// One captured part as the operator sees it.
struct PartResult {
    uint64_t number = 0;  // the part's number in the day's file
    recorder::PartIdentity identity;
    recorder::PartVerdict verdict;
    recorder::LocalTime time;
    std::string rows;  // its CSV rows, for the day's file
    // "OK", or "NOK: 孔深, 外径 缺失: 通道7" in the station's language.
    std::string Text(const class Station& station) const;
};

// One characteristic's chart panel: its last parts, its control limits and
// the points that broke a rule.
struct ChartPanel {
    struct Point {
        uint64_t part = 0;  // the part's number
        double value = 0;   // mm
        std::optional<double> movingRange;
        bool locationBroken = false;  // the I chart's point breaks a rule
        bool spreadBroken = false;    // the MR chart's
    };
    int channel = 0;
    std::vector<Point> points;  // oldest first, at most kChartParts
    std::optional<quality::ControlLimits> limits;
    std::optional<quality::ChannelLimits> tolerance;
    std::size_t baselineParts = 0;  // how many the limits need (while there are none)
    std::size_t parts = 0;          // how many this chart has had
};

struct CapabilityRow {
    int channel = 0;
    std::optional<double> ppk;  // none: fewer than two parts, no spread or no limits
    uint64_t count = 0;
};

class Station {
  public:
    Station(StationSettings settings, quality::LimitsTable limits, quality::ControlLimitsTable given = {});

    const StationSettings& Settings() const { return settings_; }
    StationSettings& EditSettings() { return settings_; }
    const quality::LimitsTable& Limits() const { return limits_; }
    const std::vector<int>& Channels() const { return channels_; }
    // The characteristic's name: the station's, the limits file's, or the
    // channel's in the station's language ("通道3" / "Channel 3").
    std::string Name(int channel) const;

    // One tick's results from the driver (the rates first, then the block).
    // Returns the channels whose tile changed, bit c - 1 for channel c.
    uint32_t Take(const int32_t (&rates)[32], const VexlaDataBlock32& block);
    const TileState& Tile(int channel) const { return tiles_[Index(channel)]; }

    // A part: every chosen characteristic from its current reading. The
    // rows are for DayRecords; `lastPartInFile` continues the file's numbers
    // when the day's file changed (or was opened) before this part.
    PartResult Capture(const recorder::LocalTime& now, std::string partId,
                       std::optional<uint64_t> lastPartInFile = std::nullopt);
    const std::optional<PartResult>& LastPart() const { return last_; }

    // The shift's counters: parts, NOK parts, and the first-pass yield in %
    // (none before the first part).
    uint64_t Parts() const { return parts_; }
    uint64_t NokParts() const { return nok_; }
    std::optional<double> YieldPercent() const;
    // A new shift: counters and capability start again; batch and operator.
    void NewShift(std::string batch, std::string operatorName);

    // The chart panel of a channel (1..32), and the one selected.
    ChartPanel Chart(int channel) const;
    int Selected() const { return selected_; }
    void Select(int channel);
    // Every chosen characteristic by Ppk, worst first; those without one last.
    std::vector<CapabilityRow> WorstFirst() const;

    // Mastering: due when the interval has passed since the last, or never
    // mastered; never due with an interval of 0.
    bool MasterDue(int64_t nowMs) const;
    // Zeroes every chosen displacement (the driver's SetDataZeroCh) and
    // keeps the time; the caller saves the settings.
    void ZeroOnMaster(host::DriverCalls& driver, const recorder::LocalTime& now);

  private:
    static size_t Index(int channel) { return static_cast<size_t>(channel - 1); }
    TileState TileOf(int channel) const;

    StationSettings settings_;
    quality::LimitsTable limits_;
    std::vector<int> channels_;
    recorder::Recording recording_;
    std::array<std::optional<quality::Fixed>, quality::kChannels> current_;  // displacement, none while silent
    std::array<int32_t, quality::kChannels> rates_{};
    std::array<TileState, quality::kChannels> tiles_;
    std::array<bool, quality::kChannels> ruleBroken_{};
    struct HistoryPoint {
        std::size_t index = 0;  // the point's number in its chart, from 0
        ChartPanel::Point point;
    };
    std::array<std::deque<HistoryPoint>, quality::kChannels> history_;
    std::array<quality::RunningStats, quality::kChannels> shiftStats_;
    std::optional<PartResult> last_;
    uint64_t parts_ = 0;
    uint64_t nok_ = 0;
    int selected_ = 1;
};

}  // namespace vexla::station
