#pragma once
// The recorder's CSV file: one row per new reading, with a heading line.
//
//   time,channel,value_mm,displacement_mm,rate_per_s[,judgement]
//   2026-12-08T18:40:01.250+01:00,3,1.23,0.00,5.3,OK
//
// In capture mode every row starts with the number of the capture it
// belongs to ("part", from 1), and all rows of one capture share its time
// and end with the part's verdict ("part_verdict": OK, or NOK and the
// channels outside their limits or missing). When the run names its parts,
// "part_id", "batch" and "operator" follow "part"; those texts are quoted
// as CSV quotes (RFC 4180) where they hold a comma, a quote or a line end.
// Times are local with their offset from UTC, so that a file spanning a
// change of daylight saving time still sorts and plots right.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quality/millimetres.h"
#include "quality/tolerance_limits.h"

namespace vexla::recorder {

// A moment as the local clock showed it.
struct LocalTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int utcOffsetMinutes = 0;  // east of UTC positive

    // Milliseconds since 1970-01-01 00:00 UTC.
    int64_t EpochMilliseconds() const;
};

// The moment `epochMilliseconds` on a clock `utcOffsetMinutes` east of UTC.
LocalTime LocalTimeOf(int64_t epochMilliseconds, int utcOffsetMinutes);

// "2026-12-08T18:40:01.250+01:00" (ISO 8601).
std::string IsoText(const LocalTime& time);
// The text back; nothing for anything else.
std::optional<LocalTime> ParseIsoText(std::string_view text);

struct CsvLayout {
    bool capture = false;     // the "part" and "part_verdict" columns
    bool judged = false;      // the "judgement" column (limits were given)
    bool identified = false;  // "part_id", "batch" and "operator" (capture mode)
};

struct ReadingRow {
    uint64_t part = 0;  // capture mode only
    LocalTime time;
    int channel = 0;  // 1..32
    quality::Fixed value = 0;
    quality::Fixed displacement = 0;
    int decimals = 2;   // 2 for 0.01 mm gauges, 3 for 0.001 mm ones
    int32_t rate = -1;  // tenths of updates per second; -1: none known
    std::optional<quality::Judgement> judgement;
    // Capture mode.
    std::string partId;
    std::string batch;
    std::string operatorName;
    std::string partVerdict;
    // A captured part's channel that had no current reading: the row says
    // so with empty value, displacement and rate (readers skip it).
    bool missing = false;
};

// CSV fields as RFC 4180 quotes them: a line's fields (empty for a quoted
// field without its closing quote), a field's text without its quotes, and
// a text appended as a field, quoted where it holds a comma, quote or line end.
std::vector<std::string_view> SplitFields(std::string_view line);
std::string FieldText(std::string_view field);
void AppendField(std::string& out, std::string_view text);

// The heading line, with its line end.
std::string CsvHeading(const CsvLayout& layout);
// One row, with its line end ("\r\n": what spreadsheets on both systems read).
void AppendCsvRow(std::string& out, const ReadingRow& row, const CsvLayout& layout);

// Reads a file written by the recorder (or by a spreadsheet from it): the
// heading line names the columns, in any order; unknown columns are ignored.
class CsvReader {
  public:
    // False when the heading lacks time, channel or displacement_mm.
    bool ReadHeading(std::string_view line);
    // One row; nothing for a line that does not parse (a partial last line
    // of a recorder that was killed, or damage), which a reader skips.
    std::optional<ReadingRow> ReadRow(std::string_view line) const;
    const CsvLayout& Layout() const { return layout_; }

  private:
    CsvLayout layout_;
    int part_ = -1, time_ = -1, channel_ = -1, value_ = -1, displacement_ = -1, rate_ = -1, judgement_ = -1;
    int partId_ = -1, batch_ = -1, operator_ = -1, verdict_ = -1;
    int columns_ = 0;
};

}  // namespace vexla::recorder
