#pragma once
// What one recording run does with the driver's results, apart from any
// file or clock: picks the new readings of the chosen channels, turns them
// into CSV rows with the gauge kind's decimals (as the monitor shows them
// in its standard mode), judges them against the limits and keeps each
// channel's statistics of exactly what was written.

#include <array>
#include <string>
#include <vector>

#include "monitor/model/value_texts.h"
#include "quality/characteristic_chart.h"
#include "quality/control_limits_file.h"
#include "recorder/model/csv_rows.h"
#include "recorder/model/statistics_table.h"
#include "vexla.h"

namespace vexla::recorder {

struct RecordingSettings {
    std::array<bool, quality::kChannels> channels{};  // recorded or not, channel 1 first
    std::array<monitor::HardwareType, quality::kChannels> kinds{};
    quality::LimitsTable limits;
    bool capture = false;
    bool identified = false;  // parts carry an identity, a batch and an operator
    // Each channel's control chart over its readings (capture mode: one per
    // part), with limits from the run's first parts or from `givenLimits`.
    quality::ChartSettings chart;
    quality::ControlLimitsTable givenLimits;
    // The judgement column even without limits (a file that other runs continue).
    bool judgementColumn = false;
    // Capture mode: a row without a value for each channel a part misses,
    // so that the file holds every part, even one with no reading at all.
    bool missingRows = false;

    CsvLayout Layout() const { return {capture, judgementColumn || !limits.Empty(), capture && identified}; }
};

// Who a captured part is.
struct PartIdentity {
    std::string id;
    std::string batch;
    std::string operatorName;
};

// A captured part: OK when every chosen channel gave a current reading
// inside its limits; NOK names the channels outside and those missing.
struct PartVerdict {
    std::vector<int> outside;
    std::vector<int> missing;

    bool Ok() const { return outside.empty() && missing.empty(); }
    // "OK", or "NOK 3 6 missing 7" (no comma: a plain CSV field).
    std::string Text() const;
};

// A reading as the recorder writes it, in mm.
struct Reading {
    quality::Fixed value = 0;
    quality::Fixed displacement = 0;
    int decimals = 2;
};

// The driver's value (tenths of the gauge's last digit) in mm with the
// kind's decimals.
Reading ReadingOf(int32_t value, int32_t displacement, monitor::HardwareType kind);

class Recording {
  public:
    explicit Recording(RecordingSettings settings);

    // Continuous mode: a row for every chosen channel with fresh data in
    // the block. Capture mode: only remembers the latest readings.
    // Returns the number of rows appended.
    size_t TakeResult(const VexlaDataBlock32& block, const int32_t (&rates)[32], const LocalTime& now,
                      std::string& out);

    // Capture mode: one part, a row for every chosen channel that has sent
    // a reading and is not silent, each row carrying the part's verdict.
    // A channel without a current reading makes the part NOK ("missing"):
    // it is never judged on a stale value.
    size_t Capture(const LocalTime& now, const PartIdentity& identity, std::string& out, PartVerdict& verdict);

    // The number of the last captured part.
    uint64_t LastPartNumber() const { return partBase_ + captures_; }
    // The rows of the last capture, as written.
    const std::vector<ReadingRow>& LastCaptureRows() const { return lastCapture_; }
    // The rule violations the last capture brought to light: channel, violation.
    const std::vector<std::pair<int, quality::Violation>>& LastCaptureViolations() const { return found_; }
    // Numbers the next part after `part` (a file that is continued).
    void NumberPartsAfter(uint64_t part) { partBase_ = part - captures_; }

    uint64_t Rows() const { return rows_; }
    uint64_t Captures() const { return captures_; }
    uint64_t NokParts() const { return nokParts_; }
    // The channel's (1..32) chart.
    const quality::LiveChart& Chart(int channel) const { return charts_[static_cast<size_t>(channel - 1)]; }
    // The last rule violation of any channel: which channel, and which.
    const std::optional<std::pair<int, quality::Violation>>& LastViolation() const { return lastViolation_; }
    // The limits every channel's chart has now, for the next run.
    quality::ControlLimitsTable ControlLimits() const;
    const RecordingSettings& Settings() const { return settings_; }
    // The statistics of the rows written so far.
    StatisticsTable Statistics() const;

  private:
    ReadingRow Row(const ReadingRow& base);

    RecordingSettings settings_;
    CsvLayout layout_;
    std::array<ChannelStatistics, quality::kChannels> statistics_;
    std::array<std::optional<Reading>, quality::kChannels> latest_;
    std::array<int32_t, quality::kChannels> rates_{};
    uint64_t rows_ = 0;
    uint64_t captures_ = 0;
    uint64_t partBase_ = 0;  // part number = partBase_ + captures_
    std::vector<ReadingRow> lastCapture_;
    std::vector<std::pair<int, quality::Violation>> found_;
    uint64_t nokParts_ = 0;
    std::vector<quality::LiveChart> charts_;
    std::optional<std::pair<int, quality::Violation>> lastViolation_;
};

}  // namespace vexla::recorder
