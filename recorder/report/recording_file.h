#pragma once
// A recording read back for the report: every row's time and displacement
// per channel (for the plots), each channel's statistics judged against the
// report's limits, and what else the file showed: lines that did not parse,
// a cut-off last line, captures, the clock going back.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quality/running_stats.h"
#include "quality/tolerance_limits.h"
#include "recorder/model/csv_rows.h"

namespace vexla::recorder::report {

struct TrendPoint {
    int64_t time = 0;  // ms since 1970-01-01 UTC
    quality::Fixed displacement = 0;
};

// A reading outside the limits: its place among the channel's points and
// its line in the file (the heading is line 1).
struct OutsidePoint {
    size_t point = 0;
    uint64_t line = 0;
    quality::Judgement judgement = quality::Judgement::Ok;
};

struct ChannelData {
    std::vector<TrendPoint> points;  // in the file's order
    std::vector<uint32_t> parts;     // capture mode: each point's part, an index into RecordingData::parts
    std::vector<OutsidePoint> outside;
    quality::ChannelSummary summary;
    int fewestDecimals = 0;  // of the displacements; both differ only when
    int mostDecimals = 0;    // the gauge kind was switched during the run
};

// One capture: the part's row set, as its first row names it.
struct PartRecord {
    uint64_t number = 0;
    LocalTime time;
    std::string id;
    std::string batch;
    std::string operatorName;
    std::string verdict;
};

struct RecordingData {
    CsvLayout layout;
    std::array<ChannelData, quality::kChannels> channels;  // channel 1 first
    bool empty = true;                                     // not even a heading
    uint64_t rows = 0;
    uint64_t skipped = 0;  // lines that do not parse (blank lines are not counted)
    uint64_t firstSkippedLine = 0;
    bool cutOff = false;             // a last line without its line end, left out
    std::optional<LocalTime> first;  // the first and the last row of the file
    std::optional<LocalTime> last;
    int64_t earliest = 0;  // ms, over all rows: the plots' time axis
    int64_t latest = 0;
    uint64_t stepsBack = 0;  // times the clock went back from one row to the next
    int64_t largestStepBack = 0;
    uint64_t captures = 0;  // capture mode: row sets (runs of one part number)
    uint64_t firstPart = 0;
    uint64_t lastPart = 0;
    std::vector<PartRecord> parts;  // capture mode, in the file's order
    // The UTC offset from each moment on where it changes, ordered by time
    // (daylight saving time; the first row's offset comes first).
    std::vector<std::pair<int64_t, int>> offsets;

    size_t Channels() const;
    // The offset in effect at a moment, for labelling it in local time.
    int OffsetAt(int64_t time) const;
};

// Reads a recording piece by piece, so a file of any size costs memory for
// its points only, not for its text.
class RecordingParser {
  public:
    explicit RecordingParser(const quality::LimitsTable& limits);

    // False once the first line turns out not to be a recording's heading.
    bool Feed(std::string_view bytes);
    // The end of the file. False when the only line was no heading.
    bool Finish();
    const std::string& Error() const { return error_; }
    RecordingData& Data() { return data_; }

  private:
    bool Line(std::string_view line);
    void Row(const ReadingRow& row);

    const quality::LimitsTable& limits_;
    RecordingData data_;
    CsvReader reader_;
    std::string pending_;    // the start of a line that continues in the next piece
    bool overlong_ = false;  // dropping the rest of a line too long to be a row
    bool headingRead_ = false;
    uint64_t lineNumber_ = 0;
    int64_t previousTime_ = 0;
    std::string error_;
};

// The file read whole; an empty text on success, else what went wrong.
std::string LoadRecording(const std::string& path, const quality::LimitsTable& limits, RecordingData& data);

}  // namespace vexla::recorder::report
