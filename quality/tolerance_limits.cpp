#include "tolerance_limits.h"

#include <sstream>
#include <vector>

#include "base/whole_number.h"
#include "small_text_file.h"

namespace vexla::quality {

namespace {

bool IsSeparator(char c) {
    return c == ',' || c == ';' || c == '\t' || c == ' ';
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return std::string(text);
}

// The first four fields split at any separator (runs of blanks count as one);
// the rest of the line is the name, which may hold blanks.
std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> fields;
    size_t at = 0;
    while (fields.size() < 4) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        if (at >= line.size()) return fields;
        size_t end = at;
        while (end < line.size() && !IsSeparator(line[end])) ++end;
        fields.emplace_back(line.substr(at, end - at));
        at = end;
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        if (at < line.size() && (line[at] == ',' || line[at] == ';')) ++at;
    }
    std::string name = Trimmed(line.substr(std::min(at, line.size())));
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    fields.push_back(name);
    return fields;
}

std::optional<int> ChannelOf(const std::string& text) {
    const std::optional<int64_t> channel = ParseWholeNumber(text, 1, kChannels);
    if (!channel) return std::nullopt;
    return static_cast<int>(*channel);
}

// "line 3: ..." as Text().
Error LineError(int line, std::string what) {
    return Error{"line " + std::to_string(line), std::move(what)};
}

}  // namespace

const char* JudgementText(Judgement judgement) {
    switch (judgement) {
        case Judgement::Low:
            return "LOW";
        case Judgement::High:
            return "HIGH";
        case Judgement::Ok:
            break;
    }
    return "OK";
}

Judgement ChannelLimits::Judge(Fixed displacement) const {
    if (displacement < LowerLimit()) return Judgement::Low;
    if (displacement > UpperLimit()) return Judgement::High;
    return Judgement::Ok;
}

const std::optional<ChannelLimits>& LimitsTable::For(int channel) const {
    static const std::optional<ChannelLimits> kNone;
    if (channel < 1 || channel > kChannels) return kNone;
    return channels_[static_cast<size_t>(channel - 1)];
}

bool LimitsTable::Empty() const {
    for (const auto& limits : channels_) {
        if (limits) return false;
    }
    return true;
}

void LimitsTable::Set(int channel, ChannelLimits limits) {
    if (channel >= 1 && channel <= kChannels) channels_[static_cast<size_t>(channel - 1)] = std::move(limits);
}

Result<LimitsTable> ParseLimits(std::string_view text) {
    LimitsTable table;
    std::istringstream in{std::string(text)};
    std::string line;
    int number = 0;
    bool firstContent = true;
    while (std::getline(in, line)) {
        ++number;
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // a spreadsheet's byte-order mark
        const std::string content = Trimmed(line);
        if (content.empty() || content.front() == '#') continue;
        const bool headings = firstContent && (content.front() < '0' || content.front() > '9');
        firstContent = false;
        if (headings) continue;
        const std::vector<std::string> fields = Fields(content);
        if (fields.size() < 4) {
            return LineError(number, "expected channel, nominal, lower and upper tolerance");
        }
        const std::optional<int> channel = ChannelOf(fields[0]);
        if (!channel) {
            return LineError(number, "channel \"" + fields[0] + "\" is not 1 to 32");
        }
        ChannelLimits limits;
        const char* names[] = {"nominal", "lower tolerance", "upper tolerance"};
        Fixed* targets[] = {&limits.nominal, &limits.lower, &limits.upper};
        for (size_t i = 0; i < 3; ++i) {
            const std::optional<Fixed> value = ParseMillimetres(fields[i + 1]);
            if (!value) {
                return LineError(number, std::string(names[i]) + " \"" + fields[i + 1] +
                                             "\" is not a length in mm (at most 4 decimals)");
            }
            *targets[i] = *value;
        }
        if (limits.lower > limits.upper) {
            return LineError(number, "the lower tolerance is above the upper one");
        }
        if (table.For(*channel)) {
            return LineError(number, "channel " + fields[0] + " has limits already");
        }
        if (fields.size() > 4) limits.name = fields[4];
        table.Set(*channel, std::move(limits));
    }
    return table;
}

Result<LimitsTable> LoadLimitsFile(const std::string& path) {
    const Result<std::string> text = ReadSmallTextFile(path, "the limits file");
    if (!text) return text.Failure();
    Result<LimitsTable> parsed = ParseLimits(*text);
    if (!parsed) return Error{path + ", " + parsed.Failure().what, parsed.Failure().reason};
    return parsed;
}

}  // namespace vexla::quality
