#include "recorder/study/study_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <tuple>

#include "base/whole_number.h"
#include "quality/utf8_path.h"

namespace vexla::recorder::study {

namespace {

constexpr std::string_view kMarker = "vexla-rec study";
// Larger than any study the sizes allow (50 × 10 × 10 × 32 rows), so a
// wrong file of gigabytes is refused rather than read.
constexpr std::uintmax_t kLargestFile = 64u << 20;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// A length in mm; a kilometre or more is no reading of a dial gauge (and
// its square would overflow the analysis).
std::optional<double> Number(std::string_view text) {
    const std::string copy(Trimmed(text));
    if (copy.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !(std::fabs(value) < 1e6)) return std::nullopt;
    return value;
}

int DecimalsOf(std::string_view text) {
    text = Trimmed(text);
    const size_t point = text.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(text.size() - point - 1);
}

std::string NumberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

std::string ChannelsText(const std::vector<int>& channels) {
    std::string text;
    for (const int c : channels) {
        if (!text.empty()) text += ',';
        text += std::to_string(c);
    }
    return text;
}

Error LineError(size_t line, const std::string& reason) {
    return Error{{}, "line " + std::to_string(line) + ": " + reason};
}

// A plan line "key: value"; false for a key we do not know (a comment).
Status PlanLine(std::string_view key, std::string_view value, StudyPlan& plan, bool& ours, size_t line) {
    const auto whole = [&](int low, int high, int& target, const char* what) -> Status {
        const auto v = ParseWholeNumber(Trimmed(value), low, high);
        if (!v)
            return LineError(line, std::string(what) + " " + std::string(Trimmed(value)) + ": expected " +
                                       std::to_string(low) + " to " + std::to_string(high));
        target = static_cast<int>(*v);
        return Done{};
    };
    const auto millimetres = [&](std::optional<double>& target, const char* what) -> Status {
        target = Number(value);
        if (!target) return LineError(line, std::string(what) + " " + std::string(value) + ": expected mm");
        return Done{};
    };
    if (key == kMarker) {
        ours = true;
        if (Trimmed(value) == "grr") {
            plan.kind = StudyKind::GaugeRr;
        } else if (Trimmed(value) == "type1") {
            plan.kind = StudyKind::Type1;
        } else {
            return LineError(line, "unknown study kind " + std::string(value));
        }
    } else if (key == "parts") {
        return whole(quality::kMinStudyParts, quality::kMaxStudyParts, plan.parts, "parts");
    } else if (key == "trials") {
        return whole(quality::kMinStudyTrials, quality::kMaxStudyTrials, plan.trials, "trials");
    } else if (key == "count") {
        return whole(2, 10000, plan.count, "count");
    } else if (key == "operators") {
        plan.operators.clear();
        for (const std::string_view field : SplitFields(Trimmed(value))) plan.operators.push_back(FieldText(field));
    } else if (key == "channels") {
        const auto mask = ParseChannelList(Trimmed(value));
        if (!mask) return LineError(line, "channels " + std::string(value) + ": expected a list such as 1-4,7");
        plan.channels.clear();
        for (int c = 1; c <= quality::kChannels; ++c)
            if ((*mask >> (c - 1)) & 1u) plan.channels.push_back(c);
    } else if (key == "tolerance") {
        return millimetres(plan.tolerance, "tolerance");
    } else if (key == "reference") {
        return millimetres(plan.reference, "reference");
    } else if (key == "order") {
        plan.order.clear();
        std::istringstream steps{std::string(value)};
        for (std::string item; steps >> item;) {
            Step step;
            if (std::sscanf(item.c_str(), "%d.%d.%d", &step.op, &step.trial, &step.part) != 3)
                return LineError(line, "order: " + item + " is no operator.trial.part");
            --step.op, --step.trial, --step.part;
            plan.order.push_back(step);
        }
    }
    return Done{};
}

struct Columns {
    int op = -1, trial = -1, part = -1, channel = -1, value = -1;
};

Status CheckPlan(const StudyPlan& plan) {
    if (plan.kind == StudyKind::Type1) return Done{};
    if (static_cast<int>(plan.operators.size()) > quality::kMaxStudyOperators)
        return Error{{}, "a study has at most 10 operators, not " + std::to_string(plan.operators.size())};
    for (const Step& s : plan.order) {
        if (s.op < 0 || s.op >= plan.Operators() || s.trial < 0 || s.trial >= plan.trials || s.part < 0 ||
            s.part >= plan.parts)
            return Error{{}, "the order names a step outside the study's operators, trials and parts"};
    }
    return Done{};
}

}  // namespace

const char* StudyKindName(StudyKind kind) {
    return kind == StudyKind::GaugeRr ? "grr" : "type1";
}

const char* StudyKindText(StudyKind kind) {
    return kind == StudyKind::GaugeRr ? "a gauge R&R study" : "a Type-1 study";
}

std::vector<Step> ShuffledOrder(int parts, int operators, int trials, uint64_t seed) {
    std::mt19937_64 random(seed);
    std::vector<Step> order;
    for (int t = 0; t < trials; ++t)
        for (int o = 0; o < operators; ++o) {
            std::vector<int> shuffled(static_cast<size_t>(parts));
            for (int p = 0; p < parts; ++p) shuffled[static_cast<size_t>(p)] = p;
            // Fisher–Yates by hand: std::shuffle's order differs between
            // standard libraries, and the Windows build must guide alike.
            for (size_t i = shuffled.size(); i > 1; --i) std::swap(shuffled[i - 1], shuffled[random() % i]);
            for (const int p : shuffled) order.push_back({o, t, p});
        }
    return order;
}

std::string StudyHeading(const StudyPlan& plan) {
    std::string text = "# " + std::string(kMarker) + ": " + StudyKindName(plan.kind) + "\r\n";
    if (plan.kind == StudyKind::GaugeRr) {
        text += "# parts: " + std::to_string(plan.parts) + "\r\n# operators: ";
        for (size_t i = 0; i < plan.operators.size(); ++i) {
            if (i > 0) text += ',';
            AppendField(text, plan.operators[i]);
        }
        text += "\r\n# trials: " + std::to_string(plan.trials) + "\r\n";
    } else {
        if (plan.reference) text += "# reference: " + NumberText(*plan.reference) + "\r\n";
        text += "# count: " + std::to_string(plan.count) + "\r\n";
    }
    if (plan.tolerance) text += "# tolerance: " + NumberText(*plan.tolerance) + "\r\n";
    text += "# channels: " + ChannelsText(plan.channels) + "\r\n";
    if (plan.kind == StudyKind::GaugeRr) {
        text += "# order:";
        for (const Step& s : plan.order)
            text +=
                ' ' + std::to_string(s.op + 1) + '.' + std::to_string(s.trial + 1) + '.' + std::to_string(s.part + 1);
        text += "\r\noperator,trial,part,channel,value_mm,time\r\n";
    } else {
        text += "trial,channel,value_mm,time\r\n";
    }
    return text;
}

std::string StudyRows(const StudyPlan& plan, const Step& step,
                      const std::vector<std::pair<int, std::string>>& channelValues, const LocalTime& time) {
    std::string rows;
    for (const auto& [channel, value] : channelValues) {
        if (plan.kind == StudyKind::GaugeRr) {
            AppendField(rows, plan.operators[static_cast<size_t>(step.op)]);
            rows += ',' + std::to_string(step.trial + 1) + ',' + std::to_string(step.part + 1) + ',';
        } else {
            rows += std::to_string(step.trial + 1) + ',';
        }
        rows += std::to_string(channel) + ',' + value + ',' + IsoText(time) + "\r\n";
    }
    return rows;
}

Result<StudyData> ParseStudy(std::string_view text, StudyKind expected) {
    StudyData study;
    StudyPlan& plan = study.plan;
    bool headingRead = false, kindKnown = false;
    Columns col;
    size_t columns = 0;
    std::map<std::string, int> operatorIndex;
    int largestPart = 0, largestTrial = 0;
    uint32_t seenChannels = 0;
    size_t lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        const size_t newline = text.find('\n', start);
        const bool whole = newline != std::string_view::npos;
        const std::string_view raw = text.substr(start, (whole ? newline : text.size()) - start);
        start = whole ? newline + 1 : text.size();
        ++lineNumber;
        const std::string_view line = Trimmed(raw);
        if (line.empty()) {
            if (whole) study.wholeBytes = start;
            continue;
        }
        if (!headingRead && line.front() == '#') {
            const std::string_view body = Trimmed(line.substr(1));
            const size_t colon = body.find(':');
            if (colon != std::string_view::npos) {
                const Status read =
                    PlanLine(Trimmed(body.substr(0, colon)), body.substr(colon + 1), plan, study.ours, lineNumber);
                if (!read) return read.Failure();
                if (Trimmed(body.substr(0, colon)) == kMarker) kindKnown = true;
            }
            if (whole) study.wholeBytes = start;
            continue;
        }
        if (!headingRead) {
            const std::vector<std::string_view> names = SplitFields(line);
            for (size_t i = 0; i < names.size(); ++i) {
                const std::string name = Lower(Trimmed(FieldText(names[i])));
                int* slot = name == "operator"   ? &col.op
                            : name == "trial"    ? &col.trial
                            : name == "part"     ? &col.part
                            : name == "channel"  ? &col.channel
                            : name == "value_mm" ? &col.value
                                                 : nullptr;
                if (slot && *slot < 0) *slot = static_cast<int>(i);
            }
            columns = names.size();
            if (col.trial < 0 || col.channel < 0 || col.value < 0)
                return LineError(lineNumber,
                                 "not a study's heading: expected operator,trial,part,channel,value_mm (gauge R&R) "
                                 "or trial,channel,value_mm (Type-1)");
            const StudyKind found = col.op >= 0 && col.part >= 0 ? StudyKind::GaugeRr : StudyKind::Type1;
            if (kindKnown && found != plan.kind)
                return LineError(lineNumber, "the heading does not fit the study's kind");
            plan.kind = found;
            if (found != expected)
                return Error{{},
                             std::string("the file holds ") + StudyKindText(found) + ", not " +
                                 StudyKindText(expected) + " (vexla-rec study " + StudyKindName(found) +
                                 " --analyse reads it)"};
            if (const Status ok = CheckPlan(plan); !ok) return ok.Failure();
            for (size_t i = 0; i < plan.operators.size(); ++i) operatorIndex[plan.operators[i]] = static_cast<int>(i);
            headingRead = true;
            if (whole) study.wholeBytes = start;
            continue;
        }
        // A row. A cut-off last line of a killed run is left out; any
        // other line that does not parse is refused.
        const std::vector<std::string_view> fields = SplitFields(line);
        if (fields.size() < columns) {
            if (!whole) {
                study.cutOff = true;
                break;
            }
            return LineError(lineNumber,
                             "expected " + std::to_string(columns) + " fields, not " + std::to_string(fields.size()));
        }
        StudyReading reading;
        const auto wholeField = [&](int column, int low, int high) {
            return ParseWholeNumber(Trimmed(fields[static_cast<size_t>(column)]), low, high);
        };
        const auto trial = wholeField(col.trial, 1, plan.kind == StudyKind::Type1 ? 1000000 : quality::kMaxStudyTrials);
        const auto channel = wholeField(col.channel, 1, quality::kChannels);
        const auto value = Number(fields[static_cast<size_t>(col.value)]);
        std::optional<int64_t> part = 1;
        std::string name;
        if (plan.kind == StudyKind::GaugeRr) {
            part = wholeField(col.part, 1, quality::kMaxStudyParts);
            name = std::string(Trimmed(FieldText(fields[static_cast<size_t>(col.op)])));
        }
        std::string bad = !trial ? "trial" : !channel ? "channel (1 to 32)" : !value ? "value_mm" : !part ? "part" : "";
        if (plan.kind == StudyKind::GaugeRr && bad.empty() && name.empty()) bad = "operator";
        if (!bad.empty()) {
            if (!whole) {
                study.cutOff = true;
                break;
            }
            return LineError(lineNumber, "the " + bad + " does not read as one");
        }
        if (plan.kind == StudyKind::GaugeRr) {
            auto known = operatorIndex.find(name);
            if (known == operatorIndex.end()) {
                if (study.ours)
                    return LineError(lineNumber, "operator " + name + " is not among the study's operators");
                if (static_cast<int>(plan.operators.size()) == quality::kMaxStudyOperators)
                    return LineError(lineNumber, "an 11th operator: a study has at most 10");
                known = operatorIndex.emplace(name, static_cast<int>(plan.operators.size())).first;
                plan.operators.push_back(name);
            }
            reading.op = known->second;
            reading.part = static_cast<int>(*part) - 1;
            if (study.ours && reading.part >= plan.parts)
                return LineError(lineNumber, "part " + std::to_string(*part) + " is beyond the study's parts");
        }
        reading.trial = static_cast<int>(*trial) - 1;
        reading.channel = static_cast<int>(*channel);
        reading.value = *value;
        reading.decimals = DecimalsOf(fields[static_cast<size_t>(col.value)]);
        if (study.ours && plan.kind == StudyKind::GaugeRr && reading.trial >= plan.trials)
            return LineError(lineNumber, "trial " + std::to_string(*trial) + " is beyond the study's trials");
        largestPart = std::max(largestPart, reading.part + 1);
        largestTrial = std::max(largestTrial, reading.trial + 1);
        seenChannels |= 1u << (reading.channel - 1);
        study.readings.push_back(reading);
        if (whole) study.wholeBytes = start;
    }
    if (!headingRead)
        return Error{{}, "no heading line: expected operator,trial,part,channel,value_mm or trial,channel,value_mm"};
    if (!study.ours) {
        plan.parts = largestPart;
        plan.trials = largestTrial;
        plan.count = largestTrial;
        plan.channels.clear();
        for (int c = 1; c <= quality::kChannels; ++c)
            if ((seenChannels >> (c - 1)) & 1u) plan.channels.push_back(c);
    }
    return study;
}

Result<std::string> ReadStudyText(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path file = quality::Utf8Path(path);
    if (!std::filesystem::is_regular_file(file, ec) || std::filesystem::file_size(file, ec) > kLargestFile || ec)
        return Error{path, "not a readable study file of at most 64 MB",
                     ec ? ec : std::make_error_code(std::errc::io_error)};
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) return Error{path, "cannot be read", std::make_error_code(std::errc::io_error)};
    return text.str();
}

Result<StudyData> LoadStudy(const std::string& path, StudyKind expected) {
    Result<std::string> text = ReadStudyText(path);
    if (!text) return text.Failure();
    Result<StudyData> study = ParseStudy(*text, expected);
    if (!study) return Error{path, study.Failure().reason};
    return study;
}

Result<quality::GaugeRrData> GaugeRrDataOf(const StudyData& study, int channel) {
    const StudyPlan& plan = study.plan;
    if (plan.parts == 0) return Error{{}, "no readings"};
    quality::GaugeRrData data(plan.parts, plan.Operators(), plan.trials);
    const auto where = [&](int op, int trial, int part) {
        return "operator " + plan.operators[static_cast<size_t>(op)] + ", trial " + std::to_string(trial + 1) +
               ", part " + std::to_string(part + 1);
    };
    for (const StudyReading& r : study.readings) {
        if (r.channel != channel) continue;
        double& slot = data.At(r.op, r.trial, r.part);
        if (!std::isnan(slot))
            return Error{{}, where(r.op, r.trial, r.part) + " has two readings on channel " + std::to_string(channel)};
        slot = r.value;
    }
    // Sizes first: a study of one trial has every cell "missing" its second.
    if (plan.trials < quality::kMinStudyTrials || plan.parts < quality::kMinStudyParts) return data;
    for (int o = 0; o < plan.Operators(); ++o)
        for (int t = 0; t < plan.trials; ++t)
            for (int p = 0; p < plan.parts; ++p)
                if (std::isnan(data.At(o, t, p)))
                    return Error{{}, where(o, t, p) + " has no reading on channel " + std::to_string(channel)};
    return data;
}

Result<std::vector<double>> Type1ReadingsOf(const StudyData& study, int channel) {
    std::vector<std::pair<int, double>> byTrial;
    for (const StudyReading& r : study.readings)
        if (r.channel == channel) byTrial.emplace_back(r.trial, r.value);
    std::stable_sort(byTrial.begin(), byTrial.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<double> values;
    for (size_t i = 0; i < byTrial.size(); ++i) {
        if (i > 0 && byTrial[i].first == byTrial[i - 1].first)
            return Error{{},
                         "trial " + std::to_string(byTrial[i].first + 1) + " has two readings on channel " +
                             std::to_string(channel)};
        values.push_back(byTrial[i].second);
    }
    return values;
}

std::vector<bool> DoneCaptures(const StudyData& study) {
    const StudyPlan& plan = study.plan;
    const size_t channels = plan.channels.size();
    std::map<std::tuple<int, int, int>, size_t> seen;
    for (const StudyReading& r : study.readings) ++seen[{r.op, r.trial, r.part}];
    std::vector<bool> done(plan.Captures(), false);
    for (size_t i = 0; i < done.size(); ++i) {
        const Step step = plan.kind == StudyKind::GaugeRr ? plan.order[i] : Step{0, static_cast<int>(i), 0};
        const auto found = seen.find({step.op, step.trial, step.part});
        done[i] = found != seen.end() && found->second >= channels;
    }
    return done;
}

}  // namespace vexla::recorder::study
