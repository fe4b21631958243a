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
#include "recorder/model/csv_rows.h"
#include "recorder/model/statistics_table.h"
#include "vexla.h"

namespace vexla::recorder {

struct RecordingSettings {
    std::array<bool, quality::kChannels> channels{};  // recorded or not, channel 1 first
    std::array<monitor::HardwareType, quality::kChannels> kinds{};
    quality::LimitsTable limits;
    bool capture = false;

    CsvLayout Layout() const { return {capture, !limits.Empty()}; }
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

    // Capture mode: one row set, a row for every chosen channel that has
    // sent a reading and is not silent; the others are named in `missing`.
    size_t Capture(const LocalTime& now, std::string& out, std::vector<int>& missing);

    uint64_t Rows() const { return rows_; }
    uint64_t Captures() const { return captures_; }
    const RecordingSettings& Settings() const { return settings_; }
    // The statistics of the rows written so far.
    StatisticsTable Statistics() const;

  private:
    size_t Write(const ReadingRow& base, std::string& out);

    RecordingSettings settings_;
    CsvLayout layout_;
    std::array<ChannelStatistics, quality::kChannels> statistics_;
    std::array<std::optional<Reading>, quality::kChannels> latest_;
    std::array<int32_t, quality::kChannels> rates_{};
    uint64_t rows_ = 0;
    uint64_t captures_ = 0;
};

}  // namespace vexla::recorder
