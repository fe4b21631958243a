#include "control_limits_file.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "base/whole_number.h"
#include "control_constants.h"
#include "small_text_file.h"

namespace vexla::quality {
namespace {

constexpr std::string_view kHeading =
    "channel,chart,subgroup,centre,lower,upper,spread_centre,spread_lower,spread_upper,sigma_within";

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) return fields;
        start = comma + 1;
    }
}

std::optional<double> Number(std::string_view text) {
    const std::string copy(text);
    char* end = nullptr;
    const double v = std::strtod(copy.c_str(), &end);
    if (copy.empty() || end != copy.c_str() + copy.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string Digits(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

}  // namespace

const char* ChartName(ChartKind kind) {
    switch (kind) {
        case ChartKind::MeanRange:
            return "Xbar-R";
        case ChartKind::MeanStdDev:
            return "Xbar-S";
        case ChartKind::IndividualsMovingRange:
            break;
    }
    return "I-MR";
}

Result<ControlLimitsTable> ParseControlLimits(std::string_view text) {
    ControlLimitsTable table;
    int number = 0;
    bool headed = false;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.remove_prefix(3);
        if (line.empty() || line.front() == '#') continue;
        const auto fail = [&](const std::string& why) { return Error{"line " + std::to_string(number), why}; };
        if (!headed) {
            if (line != kHeading) return fail("expected the heading " + std::string(kHeading));
            headed = true;
            continue;
        }
        const std::vector<std::string_view> f = Fields(line);
        if (f.size() != 10) return fail("expected 10 fields, found " + std::to_string(f.size()));
        const auto channel = ParseWholeNumber(f[0], 1, kChannels);
        if (!channel) return fail("the channel is not 1..32");
        if (table[static_cast<std::size_t>(*channel - 1)]) return fail("channel " + std::string(f[0]) + " again");
        const auto subgroup = ParseWholeNumber(f[2], 1, kMaxSubgroup);
        if (!subgroup) return fail("the subgroup is not 1..25");
        ControlLimits l;
        l.subgroup = static_cast<int>(*subgroup);
        l.kind = KindFor(l.subgroup);
        if (f[1] != ChartName(l.kind))
            return fail("a subgroup of " + std::string(f[2]) + " makes an " + ChartName(l.kind) + " chart");
        double* values[] = {&l.location.centre, &l.location.lower, &l.location.upper, &l.spread.centre,
                            &l.spread.lower,    &l.spread.upper,   &l.sigmaWithin};
        for (std::size_t i = 0; i < 7; ++i) {
            const auto v = Number(f[3 + i]);
            if (!v) return fail("field " + std::to_string(4 + i) + " is not a number");
            *values[i] = *v;
        }
        if (!(l.location.lower < l.location.centre && l.location.centre < l.location.upper))
            return fail("lower < centre < upper does not hold");
        if (!(0 <= l.spread.lower && l.spread.lower <= l.spread.centre && l.spread.centre < l.spread.upper))
            return fail("0 <= spread_lower <= spread_centre < spread_upper does not hold");
        if (!(l.sigmaWithin > 0)) return fail("sigma_within is not above 0");
        table[static_cast<std::size_t>(*channel - 1)] = l;
    }
    if (!headed) return Error{{}, "no heading: not a control limits file"};
    return table;
}

Result<ControlLimitsTable> LoadControlLimitsFile(const std::string& path) {
    const Result<std::string> text = ReadSmallTextFile(path, "the control limits file");
    if (!text) return text.Failure();
    Result<ControlLimitsTable> parsed = ParseControlLimits(*text);
    if (!parsed)
        return Error{path + (parsed.Failure().what.empty() ? "" : ", " + parsed.Failure().what),
                     parsed.Failure().reason};
    return parsed;
}

std::string ControlLimitsText(const ControlLimitsTable& table) {
    std::string text(kHeading);
    text += "\r\n";
    for (std::size_t c = 0; c < table.size(); ++c) {
        if (!table[c]) continue;
        const ControlLimits& l = *table[c];
        text += std::to_string(c + 1) + "," + ChartName(l.kind) + "," + std::to_string(l.subgroup);
        // Appended piece by piece: GCC 12's optimiser warns falsely about
        // "," + a temporary string.
        for (double v : {l.location.centre, l.location.lower, l.location.upper, l.spread.centre, l.spread.lower,
                         l.spread.upper, l.sigmaWithin}) {
            text += ',';
            text += Digits(v);
        }
        text += "\r\n";
    }
    return text;
}

}  // namespace vexla::quality
