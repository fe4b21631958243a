#pragma once
// The station's records: every part appended to the day's CSV file in the
// records folder ("parts-20261209.csv", the recorder's capture layout with
// identity and judgement), synced at once, never overwritten. A file of the
// same day that is there already is continued, its part numbers too. Rows
// that cannot be written (a full disk, a vanished network drive) are kept
// and written before the next part's, so that no part is lost while the
// station runs.

#include <memory>
#include <optional>
#include <string>

#include "base/result.h"
#include "recorder/model/csv_rows.h"

namespace vexla::recorder {
class OutputFile;
}

namespace vexla::station {

class DayRecords {
  public:
    explicit DayRecords(std::string folder);
    ~DayRecords();

    // Opens (or creates) the file of `now`'s day, if not open already.
    // When it opens one: the last part number that file holds (0 for a new
    // file); nothing when the day's file was open already.
    Result<std::optional<uint64_t>> OpenDay(const recorder::LocalTime& now);
    // Appends rows of the day opened last, and anything still waiting.
    Status Append(const std::string& rows);
    // Rows kept for the next Append (the day's file could not be opened).
    void Keep(const std::string& rows) { waiting_ += rows; }
    // Bytes not yet on the disk.
    size_t Waiting() const { return waiting_.size(); }
    // The path of the open day's file; empty before the first.
    const std::string& Path() const { return path_; }
    const std::string& Folder() const { return folder_; }

    static recorder::CsvLayout Layout() { return {true, true, true}; }

  private:
    Status Reopen();

    std::string folder_;
    std::string path_;
    int day_ = 0;  // yyyymmdd of the open file
    std::unique_ptr<recorder::OutputFile> file_;
    std::string waiting_;
    bool endLine_ = false;  // the file ends in an unfinished line: end it first
};

// "parts-20261209.csv".
std::string DayFileName(const recorder::LocalTime& day);

}  // namespace vexla::station
