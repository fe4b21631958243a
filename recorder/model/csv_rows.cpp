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

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    return line;
}

// The end of the field that starts at `start` (the comma after it, or the
// line's end); npos for a quoted field without its closing quote.
size_t FieldEnd(std::string_view line, size_t start) {
    if (start < line.size() && line[start] == '"') {
        for (size_t at = start + 1; at < line.size(); ++at) {
            if (line[at] != '"') continue;
            if (at + 1 < line.size() && line[at + 1] == '"') {
                ++at;  // a doubled quote inside
                continue;
            }
            return at + 1 == line.size() || line[at + 1] == ',' ? at + 1 : std::string_view::npos;
        }
        return std::string_view::npos;
    }
    const size_t comma = line.find(',', start);
    return comma == std::string_view::npos ? line.size() : comma;
}

}  // namespace

std::vector<std::string_view> SplitFields(std::string_view line) {
    line = WithoutLineEnd(line);
    std::vector<std::string_view> fields;
    for (size_t start = 0;;) {
        const size_t end = FieldEnd(line, start);
        if (end == std::string_view::npos) return {};
        fields.push_back(line.substr(start, end - start));
        if (end == line.size()) return fields;
        start = end + 1;
    }
}

// A field's text: a quoted one without its quotes and with its doubled
// quotes single.
std::string FieldText(std::string_view field) {
    if (field.size() < 2 || field.front() != '"') return std::string(field);
    std::string text;
    for (size_t at = 1; at + 1 < field.size(); ++at) {
        text += field[at];
        if (field[at] == '"') ++at;
    }
    return text;
}

void AppendField(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

int64_t LocalTime::EpochMilliseconds() const {
    const int64_t days = DaysFromCivil(year, month, day);
    const int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second - int64_t{utcOffsetMinutes} * 60;
    return seconds * 1000 + millisecond;
}

LocalTime LocalTimeOf(int64_t epochMilliseconds, int utcOffsetMinutes) {
    const int64_t local = epochMilliseconds + int64_t{utcOffsetMinutes} * 60000;
    const int64_t days = local / 86400000 - (local % 86400000 < 0 ? 1 : 0);
    int64_t ms = local - days * 86400000;
    // Civil from days (proleptic Gregorian), the inverse of DaysFromCivil.
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    LocalTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    t.hour = static_cast<int>(ms / 3600000);
    t.minute = static_cast<int>(ms / 60000 % 60);
    t.second = static_cast<int>(ms / 1000 % 60);
    t.millisecond = static_cast<int>(ms % 1000);
    t.utcOffsetMinutes = utcOffsetMinutes;
    return t;
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
    if (layout.capture && layout.identified) heading += "part_id,batch,operator,";
    heading += "time,channel,value_mm,displacement_mm,rate_per_s";
    if (layout.judged) heading += ",judgement";
    if (layout.capture) heading += ",part_verdict";
    heading += "\r\n";
    return heading;
}

void AppendCsvRow(std::string& out, const ReadingRow& row, const CsvLayout& layout) {
    if (layout.capture) {
        out += std::to_string(row.part);
        out += ',';
        if (layout.identified) {
            for (const std::string* text : {&row.partId, &row.batch, &row.operatorName}) {
                AppendField(out, *text);
                out += ',';
            }
        }
    }
    out += IsoText(row.time);
    out += ',';
    out += std::to_string(row.channel);
    out += ',';
    if (!row.missing) out += quality::MillimetreText(row.value, row.decimals);
    out += ',';
    if (!row.missing) out += quality::MillimetreText(row.displacement, row.decimals);
    out += ',';
    if (!row.missing) AppendRate(out, row.rate);
    if (layout.judged) {
        out += ',';
        if (row.judgement) out += quality::JudgementText(*row.judgement);
    }
    if (layout.capture) {
        out += ',';
        AppendField(out, row.partVerdict);
    }
    out += "\r\n";
}

bool CsvReader::ReadHeading(std::string_view line) {
    if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.remove_prefix(3);
    const std::vector<std::string_view> names = SplitFields(line);
    const std::array<std::pair<std::string_view, int*>, 11> known = {{{"part", &part_},
                                                                      {"time", &time_},
                                                                      {"channel", &channel_},
                                                                      {"value_mm", &value_},
                                                                      {"displacement_mm", &displacement_},
                                                                      {"rate_per_s", &rate_},
                                                                      {"judgement", &judgement_},
                                                                      {"part_id", &partId_},
                                                                      {"batch", &batch_},
                                                                      {"operator", &operator_},
                                                                      {"part_verdict", &verdict_}}};
    for (auto& [name, index] : known) *index = -1;
    for (size_t i = 0; i < names.size(); ++i) {
        for (auto& [name, index] : known) {
            if (names[i] == name && *index < 0) *index = static_cast<int>(i);
        }
    }
    columns_ = static_cast<int>(names.size());
    layout_.capture = part_ >= 0;
    layout_.judged = judgement_ >= 0;
    layout_.identified = partId_ >= 0 || batch_ >= 0 || operator_ >= 0;
    return time_ >= 0 && channel_ >= 0 && displacement_ >= 0;
}

std::optional<ReadingRow> CsvReader::ReadRow(std::string_view line) const {
    if (time_ < 0) return std::nullopt;
    // One pass over the line that keeps only the columns we read: a report
    // reads millions of rows, and a vector per row would dominate.
    enum Column {
        kPart,
        kTime,
        kChannel,
        kValue,
        kDisplacement,
        kRate,
        kJudgement,
        kPartId,
        kBatch,
        kOperator,
        kVerdict,
        kColumns
    };
    const std::array<int, kColumns> wanted = {part_,      time_,   channel_, value_,    displacement_, rate_,
                                              judgement_, partId_, batch_,   operator_, verdict_};
    std::array<std::string_view, kColumns> picked{};
    line = WithoutLineEnd(line);
    int count = 0;
    for (size_t start = 0;;) {
        const size_t end = FieldEnd(line, start);
        if (end == std::string_view::npos) return std::nullopt;
        for (size_t c = 0; c < kColumns; ++c) {
            if (wanted[c] == count) picked[c] = line.substr(start, end - start);
        }
        ++count;
        if (end == line.size()) break;
        start = end + 1;
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
    if (partId_ >= 0) row.partId = FieldText(picked[kPartId]);
    if (batch_ >= 0) row.batch = FieldText(picked[kBatch]);
    if (operator_ >= 0) row.operatorName = FieldText(picked[kOperator]);
    if (verdict_ >= 0) row.partVerdict = FieldText(picked[kVerdict]);
    return row;
}

}  // namespace vexla::recorder
