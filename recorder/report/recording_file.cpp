#include "recorder/report/recording_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "quality/utf8_path.h"

namespace vexla::recorder::report {

namespace {

// A row is under a hundred bytes and a heading a few hundred; anything far
// longer is damage (or not a text file), and must not grow the memory.
constexpr size_t kLongestLine = 64 * 1024;
constexpr size_t kPieceBytes = 1 << 20;

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

size_t RecordingData::Channels() const {
    return static_cast<size_t>(
        std::count_if(channels.begin(), channels.end(), [](const ChannelData& c) { return !c.points.empty(); }));
}

int RecordingData::OffsetAt(int64_t time) const {
    if (offsets.empty()) return 0;
    auto after = std::upper_bound(offsets.begin(), offsets.end(), time,
                                  [](int64_t t, const std::pair<int64_t, int>& change) { return t < change.first; });
    return after == offsets.begin() ? offsets.front().second : std::prev(after)->second;
}

RecordingParser::RecordingParser(const quality::LimitsTable& limits) : limits_(limits) {}

bool RecordingParser::Feed(std::string_view bytes) {
    if (!error_.empty()) return false;
    if (!bytes.empty()) data_.empty = false;
    while (!bytes.empty()) {
        const void* found = std::memchr(bytes.data(), '\n', bytes.size());
        if (found == nullptr) {
            // The rest continues in the next piece (or is a cut-off last line).
            if (!overlong_) pending_.append(bytes);
            if (pending_.size() > kLongestLine) {
                overlong_ = true;
                pending_.clear();
            }
            return true;
        }
        const size_t length = static_cast<size_t>(static_cast<const char*>(found) - bytes.data()) + 1;
        bool accepted = true;
        if (overlong_) {
            overlong_ = false;
            accepted = Line(std::string_view());  // counted as a line that does not parse
        } else if (pending_.empty()) {
            accepted = Line(bytes.substr(0, length));
        } else {
            pending_.append(bytes.substr(0, length));
            accepted = Line(pending_);
            pending_.clear();
        }
        if (!accepted) return false;
        bytes.remove_prefix(length);
    }
    return true;
}

bool RecordingParser::Finish() {
    if (!error_.empty()) return false;
    if (overlong_ || !pending_.empty()) {
        // A heading without its line end is still a heading; a row without
        // one was being written when the recorder stopped.
        if (!headingRead_) {
            if (!Line(overlong_ ? std::string_view() : std::string_view(pending_))) return false;
        } else {
            data_.cutOff = true;
        }
        pending_.clear();
        overlong_ = false;
    }
    std::sort(data_.offsets.begin(), data_.offsets.end());
    return true;
}

bool RecordingParser::Line(std::string_view line) {
    ++lineNumber_;
    if (!headingRead_) {
        if (!reader_.ReadHeading(line)) {
            error_ =
                "the first line is not the heading of a recording (it names the columns time, channel and "
                "displacement_mm)";
            return false;
        }
        headingRead_ = true;
        data_.layout = reader_.Layout();
        return true;
    }
    const std::optional<ReadingRow> row = line.empty() ? std::nullopt : reader_.ReadRow(line);
    if (row) {
        Row(*row);
    } else if (line.empty() || !IsBlank(line)) {
        if (data_.skipped++ == 0) data_.firstSkippedLine = lineNumber_;
    }
    return true;
}

void RecordingParser::Row(const ReadingRow& row) {
    const int64_t time = row.time.EpochMilliseconds();
    ChannelData& channel = data_.channels[static_cast<size_t>(row.channel - 1)];
    const std::optional<quality::ChannelLimits>& limits = limits_.For(row.channel);
    const std::optional<quality::Judgement> judgement = channel.summary.Add(row.displacement, limits);
    if (judgement && *judgement != quality::Judgement::Ok) {
        channel.outside.push_back({channel.points.size(), lineNumber_, *judgement});
    }
    if (channel.points.empty()) {
        channel.fewestDecimals = channel.mostDecimals = row.decimals;
    } else {
        channel.fewestDecimals = std::min(channel.fewestDecimals, row.decimals);
        channel.mostDecimals = std::max(channel.mostDecimals, row.decimals);
    }
    channel.points.push_back({time, row.displacement});

    if (data_.rows == 0) {
        data_.first = row.time;
        data_.earliest = data_.latest = time;
        data_.offsets.emplace_back(time, row.time.utcOffsetMinutes);
    } else {
        data_.earliest = std::min(data_.earliest, time);
        data_.latest = std::max(data_.latest, time);
        if (time < previousTime_) {
            ++data_.stepsBack;
            data_.largestStepBack = std::max(data_.largestStepBack, previousTime_ - time);
        }
        if (row.time.utcOffsetMinutes != data_.last->utcOffsetMinutes) {
            data_.offsets.emplace_back(time, row.time.utcOffsetMinutes);
        }
    }
    if (data_.layout.capture) {
        if (data_.captures == 0 || row.part != data_.lastPart) {
            if (data_.captures++ == 0) data_.firstPart = row.part;
            data_.lastPart = row.part;
            data_.parts.push_back({row.part, row.time, row.partId, row.batch, row.operatorName, row.partVerdict});
        }
        channel.parts.push_back(static_cast<uint32_t>(data_.parts.size() - 1));
    }
    data_.last = row.time;
    previousTime_ = time;
    ++data_.rows;
}

std::string LoadRecording(const std::string& path, const quality::LimitsTable& limits, RecordingData& data) {
    std::ifstream file(quality::Utf8Path(path), std::ios::binary);
    std::string error;
    if (!file) {
        error = "cannot read ";
        error += path;
        return error;
    }
    RecordingParser parser(limits);
    std::vector<char> piece(kPieceBytes);
    bool going = true;
    while (going && file) {
        file.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        const auto got = static_cast<size_t>(file.gcount());
        if (got == 0) break;
        going = parser.Feed(std::string_view(piece.data(), got));
    }
    if (going && file.bad()) {
        error = "cannot read ";
        error += path;
        error += " to its end";
        return error;
    }
    if (!going || !parser.Finish()) {
        error = path;
        error += ": ";
        error += parser.Error();
        return error;
    }
    data = std::move(parser.Data());
    return error;
}

}  // namespace vexla::recorder::report
