#include "station/model/day_records.h"

#include <cstdio>
#include <fstream>
#include <system_error>

#include "quality/utf8_path.h"
#include "recorder/platform/output_file.h"

namespace vexla::station {

namespace {

constexpr std::streamoff kTailBytes = 64 * 1024;  // far more than one part's rows

struct FileEnd {
    std::string heading;  // the first line; empty for an empty file
    uint64_t lastPart = 0;
    bool unfinished = false;  // the last line lacks its line end (a write cut short)
};

std::string_view WithoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// What an existing file holds at its start and its end.
Result<FileEnd> ReadFileEnd(const std::string& path) {
    FileEnd end;
    std::ifstream in(quality::Utf8Path(path), std::ios::binary);
    if (!in) return end;  // not there yet
    std::getline(in, end.heading);
    end.heading = std::string(WithoutCr(end.heading));
    in.clear();
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    const std::streamoff from = size > kTailBytes ? size - kTailBytes : 0;
    in.seekg(from);
    std::string tail(static_cast<size_t>(size - from), '\0');
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    if (!in) return Error{path, "cannot be read"};
    end.unfinished = !tail.empty() && tail.back() != '\n';
    recorder::CsvReader reader;
    if (!reader.ReadHeading(end.heading)) return end;
    // The last row that parses; a line cut short is no row.
    std::string_view rest(tail);
    if (end.unfinished) rest = rest.substr(0, rest.rfind('\n') == std::string_view::npos ? 0 : rest.rfind('\n') + 1);
    while (!rest.empty()) {
        if (rest.back() == '\n') rest.remove_suffix(1);
        const size_t lineEnd = rest.rfind('\n');
        const auto row = reader.ReadRow(WithoutCr(rest.substr(lineEnd == std::string_view::npos ? 0 : lineEnd + 1)));
        if (row) {
            end.lastPart = row->part;
            break;
        }
        if (lineEnd == std::string_view::npos) break;
        rest = rest.substr(0, lineEnd);
    }
    return end;
}

}  // namespace

std::string DayFileName(const recorder::LocalTime& day) {
    char name[32];
    std::snprintf(name, sizeof name, "parts-%04d%02d%02d.csv", day.year, day.month, day.day);
    return name;
}

DayRecords::DayRecords(std::string folder) : folder_(std::move(folder)) {}
DayRecords::~DayRecords() = default;

Result<std::optional<uint64_t>> DayRecords::OpenDay(const recorder::LocalTime& now) {
    const int day = now.year * 10000 + now.month * 100 + now.day;
    if (file_ && day == day_) return std::optional<uint64_t>();
    std::error_code error;
    std::filesystem::create_directories(quality::Utf8Path(folder_), error);
    if (error) return Error{folder_, "cannot be made: " + error.message(), error};
    const std::string heading = recorder::CsvHeading(Layout());
    const std::string name = DayFileName(now);
    for (int number = 1; number < 100; ++number) {
        std::string path = folder_ + "/" + name;
        if (number > 1) path = folder_ + "/" + name.substr(0, name.size() - 4) + "-" + std::to_string(number) + ".csv";
        Result<FileEnd> end = ReadFileEnd(path);
        if (!end) return end.Failure();
        // A file of another layout (an older program's, a hand-made one)
        // is left as it is: the day continues in a numbered file.
        if (!end->heading.empty() && end->heading + "\r\n" != heading) continue;
        auto file = recorder::OutputFile::Append(path);
        if (!file) return file.Failure();
        file_ = std::move(*file);
        path_ = path;
        day_ = day;
        endLine_ = end->unfinished;
        if (end->heading.empty()) waiting_.insert(0, heading);
        return std::optional<uint64_t>(end->lastPart);
    }
    return Error{folder_ + "/" + name, "and 98 numbered files of that day hold other columns"};
}

Status DayRecords::Reopen() {
    auto file = recorder::OutputFile::Append(path_);
    if (!file) return file.Failure();
    file_ = std::move(*file);
    endLine_ = true;  // an interrupted write may have left half a line
    return Done{};
}

Status DayRecords::Append(const std::string& rows) {
    waiting_ += rows;
    if (waiting_.empty()) return Done{};
    if (path_.empty()) return Error{folder_, "no day's file is open"};
    if (!file_) {
        if (Status reopened = Reopen(); !reopened) return reopened;
    }
    Status written = endLine_ ? file_->Write("\r\n") : Status(Done{});
    if (written) endLine_ = false;
    if (written) written = file_->Write(waiting_);
    if (written) written = file_->Sync();
    if (!written) {
        file_.reset();  // a vanished drive: open it afresh next time
        return written;
    }
    waiting_.clear();
    return Done{};
}

}  // namespace vexla::station
