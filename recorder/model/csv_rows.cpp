#include "recorder/model/csv_rows.h"

#include <array>
#include <cstdio>
#include <vector>

#include "base/whole_number.h"

namespace vexla::recorder {

namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void AppendPadded(std::string& out, int64_t value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) out.append(static_cast<size_t>(width) - digits.size(), '0');
    out += digits;
}

// Exactly `width` digits at `at`; false otherwise.
bool ReadDigits(std::string_view text, size_t at, size_t width, int& value) {
    if (at + width > text.size()) return false;
    value = 0;
    for (size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    return line;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    line = WithoutLineEnd(line);
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (size_t at = 0; at <= line.size(); ++at) {
        if (at == line.size() || line[at] == ',') {
            fields.push_back(line.substr(start, at - start));
            start = at + 1;
        }
    }
    return fields;
}

int DecimalsOf(std::string_view text) {
    const size_t point = text.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(text.size() - point - 1);
}

void AppendRate(std::string& out, int32_t rate) {
    if (rate < 0) return;
    out += std::to_string(rate / 10);
    out += '.';
    out += std::to_string(rate % 10);
}

// "5.3" as 53; "" as -1.
std::optional<int32_t> RateOf(std::string_view text) {
    if (text.empty()) return -1;
    if (DecimalsOf(text) != 1) return std::nullopt;  // "5." or "5": a cut-off "5.3"
    const std::optional<quality::Fixed> fixed = quality::ParseMillimetres(text);
    if (!fixed || *fixed < 0 || *fixed % 1000 != 0 || *fixed > 100000 * quality::kFixedPerMm) return std::nullopt;
    return static_cast<int32_t>(*fixed / 1000);
}

std::optional<quality::Judgement> JudgementOf(std::string_view text, bool& valid) {
    valid = true;
    for (const auto j : {quality::Judgement::Ok, quality::Judgement::Low, quality::Judgement::High}) {
        if (text == quality::JudgementText(j)) return j;
    }
    valid = text.empty();
    return std::nullopt;
}

}  // namespace

int64_t LocalTime::EpochMilliseconds() const {
    const int64_t days = DaysFromCivil(year, month, day);
    const int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second - int64_t{utcOffsetMinutes} * 60;
    return seconds * 1000 + millisecond;
}

std::string IsoText(const LocalTime& t) {
    std::string text;
    text.reserve(29);
    AppendPadded(text, t.year, 4);
    text += '-';
    AppendPadded(text, t.month, 2);
    text += '-';
    AppendPadded(text, t.day, 2);
    text += 'T';
    AppendPadded(text, t.hour, 2);
    text += ':';
    AppendPadded(text, t.minute, 2);
    text += ':';
    AppendPadded(text, t.second, 2);
    text += '.';
    AppendPadded(text, t.millisecond, 3);
    const int offset = t.utcOffsetMinutes < 0 ? -t.utcOffsetMinutes : t.utcOffsetMinutes;
    text += t.utcOffsetMinutes < 0 ? '-' : '+';
    AppendPadded(text, offset / 60, 2);
    text += ':';
    AppendPadded(text, offset % 60, 2);
    return text;
}

std::optional<LocalTime> ParseIsoText(std::string_view text) {
    // 2026-12-08T18:40:01.250+01:00, or Z for UTC
    LocalTime t;
    if (text.size() != 29 && !(text.size() == 24 && text.back() == 'Z')) return std::nullopt;
    const auto at = [&](size_t i, char c) { return text[i] == c; };
    if (!at(4, '-') || !at(7, '-') || !at(10, 'T') || !at(13, ':') || !at(16, ':') || !at(19, '.')) return std::nullopt;
    if (!ReadDigits(text, 0, 4, t.year) || !ReadDigits(text, 5, 2, t.month) || !ReadDigits(text, 8, 2, t.day) ||
        !ReadDigits(text, 11, 2, t.hour) || !ReadDigits(text, 14, 2, t.minute) || !ReadDigits(text, 17, 2, t.second) ||
        !ReadDigits(text, 20, 3, t.millisecond)) {
        return std::nullopt;
    }
    if (text.size() == 29) {
        int hours = 0;
        int minutes = 0;
        if ((!at(23, '+') && !at(23, '-')) || !at(26, ':') || !ReadDigits(text, 24, 2, hours) ||
            !ReadDigits(text, 27, 2, minutes) || hours > 23 || minutes > 59) {
            return std::nullopt;
        }
        t.utcOffsetMinutes = (at(23, '-') ? -1 : 1) * (hours * 60 + minutes);
    }
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 60) {
        return std::nullopt;
    }
    return t;
}

std::string CsvHeading(const CsvLayout& layout) {
    std::string heading = layout.capture ? "part," : "";
    heading += "time,channel,value_mm,displacement_mm,rate_per_s";
    if (layout.judged) heading += ",judgement";
    heading += "\r\n";
    return heading;
}

void AppendCsvRow(std::string& out, const ReadingRow& row, const CsvLayout& layout) {
    if (layout.capture) {
        out += std::to_string(row.part);
        out += ',';
    }
    out += IsoText(row.time);
    out += ',';
    out += std::to_string(row.channel);
    out += ',';
    out += quality::MillimetreText(row.value, row.decimals);
    out += ',';
    out += quality::MillimetreText(row.displacement, row.decimals);
    out += ',';
    AppendRate(out, row.rate);
    if (layout.judged) {
        out += ',';
        if (row.judgement) out += quality::JudgementText(*row.judgement);
    }
    out += "\r\n";
}

bool CsvReader::ReadHeading(std::string_view line) {
    if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.remove_prefix(3);
    const std::vector<std::string_view> names = SplitFields(line);
    const std::array<std::pair<std::string_view, int*>, 7> known = {{{"part", &part_},
                                                                     {"time", &time_},
                                                                     {"channel", &channel_},
                                                                     {"value_mm", &value_},
                                                                     {"displacement_mm", &displacement_},
                                                                     {"rate_per_s", &rate_},
                                                                     {"judgement", &judgement_}}};
    for (auto& [name, index] : known) *index = -1;
    for (size_t i = 0; i < names.size(); ++i) {
        for (auto& [name, index] : known) {
            if (names[i] == name && *index < 0) *index = static_cast<int>(i);
        }
    }
    columns_ = static_cast<int>(names.size());
    layout_.capture = part_ >= 0;
    layout_.judged = judgement_ >= 0;
    return time_ >= 0 && channel_ >= 0 && displacement_ >= 0;
}

std::optional<ReadingRow> CsvReader::ReadRow(std::string_view line) const {
    if (time_ < 0) return std::nullopt;
    // One pass over the line that keeps only the columns we read: a report
    // reads millions of rows, and a vector per row would dominate.
    enum Column { kPart, kTime, kChannel, kValue, kDisplacement, kRate, kJudgement, kColumns };
    const std::array<int, kColumns> wanted = {part_, time_, channel_, value_, displacement_, rate_, judgement_};
    std::array<std::string_view, kColumns> picked{};
    line = WithoutLineEnd(line);
    int count = 0;
    size_t start = 0;
    for (size_t at = 0; at <= line.size(); ++at) {
        if (at < line.size() && line[at] != ',') continue;
        for (size_t c = 0; c < kColumns; ++c) {
            if (wanted[c] == count) picked[c] = line.substr(start, at - start);
        }
        ++count;
        start = at + 1;
    }
    if (count != columns_) return std::nullopt;
    ReadingRow row;
    const std::optional<LocalTime> time = ParseIsoText(picked[kTime]);
    const std::optional<int64_t> channel = ParseWholeNumber(picked[kChannel], 1, quality::kChannels);
    const std::optional<quality::Fixed> displacement = quality::ParseMillimetres(picked[kDisplacement]);
    if (!time || !channel || !displacement) return std::nullopt;
    row.time = *time;
    row.channel = static_cast<int>(*channel);
    row.displacement = *displacement;
    row.decimals = DecimalsOf(picked[kDisplacement]);
    if (value_ >= 0) {
        const std::optional<quality::Fixed> value = quality::ParseMillimetres(picked[kValue]);
        if (!value) return std::nullopt;
        row.value = *value;
    }
    if (rate_ >= 0) {
        const std::optional<int32_t> rate = RateOf(picked[kRate]);
        if (!rate) return std::nullopt;
        row.rate = *rate;
    }
    if (part_ >= 0) {
        const std::optional<int64_t> part = ParseWholeNumber(picked[kPart], 1, INT64_MAX / 2);
        if (!part) return std::nullopt;
        row.part = static_cast<uint64_t>(*part);
    }
    if (judgement_ >= 0) {
        bool valid = false;
        row.judgement = JudgementOf(picked[kJudgement], valid);
        if (!valid) return std::nullopt;
    }
    return row;
}

}  // namespace vexla::recorder
