#include "recorder/report/trend_plot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <tuple>

#include "quality/millimetres.h"
#include "recorder/report/svg_plot.h"

namespace vexla::recorder::report {

namespace {

// The plotting area inside the SVG; the margins hold the tick labels.
constexpr double kLeft = 76;
constexpr double kTop = 14;
constexpr double kWidth = kPlotColumns;
constexpr double kHeight = 232;
constexpr int64_t kDay = 86400000;

void AppendTwo(std::string& out, int value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

struct Civil {
    int64_t year;
    int month;
    int day;
};

Civil CivilFromDays(int64_t days) {
    const LocalTime t = LocalTimeOf(days * 86400000, 0);
    return {t.year, t.month, t.day};
}

std::string DateText(int64_t days) {
    const Civil civil = CivilFromDays(days);
    std::string text = std::to_string(civil.year);
    text += '-';
    AppendTwo(text, civil.month);
    text += '-';
    AppendTwo(text, civil.day);
    return text;
}

// Milliseconds of a local day as "18:40", "18:40:01" or "18:40:01.25".
std::string ClockText(int64_t ms, int secondsDecimals, bool seconds) {
    std::string text;
    AppendTwo(text, static_cast<int>(ms / 3600000));
    text += ':';
    AppendTwo(text, static_cast<int>(ms / 60000 % 60));
    if (!seconds) return text;
    text += ':';
    AppendTwo(text, static_cast<int>(ms / 1000 % 60));
    if (secondsDecimals > 0) {
        text += '.';
        const int fraction = static_cast<int>(ms % 1000);
        const std::array<int, 3> divisors = {100, 10, 1};
        for (int d = 0; d < secondsDecimals && d < 3; ++d) {
            text += static_cast<char>('0' + fraction / divisors[static_cast<size_t>(d)] % 10);
        }
    }
    return text;
}

std::string OffsetText(int minutes) {
    std::string text = "UTC";
    text += minutes < 0 ? '-' : '+';
    const int magnitude = minutes < 0 ? -minutes : minutes;
    AppendTwo(text, magnitude / 60);
    text += ':';
    AppendTwo(text, magnitude % 60);
    return text;
}

// Time steps that read well on a clock, the smallest first.
constexpr std::array<int64_t, 26> kTimeSteps = {
    1,      2,      5,       10,      20,      50,          100,         200,         500,
    1000,   2000,   5000,    10000,   15000,   30000,       60000,       120000,      300000,
    600000, 900000, 1800000, 3600000, 7200000, 3 * 3600000, 6 * 3600000, 12 * 3600000};

int64_t TimeStep(int64_t span, int most) {
    for (const int64_t step : kTimeSteps) {
        if (span / step <= most) return step;
    }
    for (const int64_t days : {1, 2, 7, 14, 30, 61, 91, 182, 365}) {
        if (span / (days * kDay) <= most) return days * kDay;
    }
    int64_t days = 730;
    while (span / (days * kDay) > most) days *= 2;
    return days * kDay;
}

}  // namespace

std::string LocalDateTimeText(const LocalTime& t) {
    const int64_t local = t.EpochMilliseconds() + int64_t{t.utcOffsetMinutes} * 60000;
    std::string text = DateText(FloorDiv(local, kDay));
    text += ' ';
    text += ClockText(local - FloorDiv(local, kDay) * kDay, 3, true);
    text += ' ';
    text += OffsetText(t.utcOffsetMinutes);
    return text;
}

std::string DurationText(int64_t ms) {
    const bool negative = ms < 0;
    if (negative) ms = -ms;
    std::string text = negative ? "-" : "";
    const int64_t days = ms / kDay;
    const int64_t hours = ms / 3600000 % 24;
    const int64_t minutes = ms / 60000 % 60;
    char seconds[16];
    std::snprintf(seconds, sizeof seconds, "%02d.%03d s", static_cast<int>(ms / 1000 % 60),
                  static_cast<int>(ms % 1000));
    if (days > 0) {
        text += std::to_string(days) + " d ";
        AppendTwo(text, static_cast<int>(hours));
        text += " h ";
        AppendTwo(text, static_cast<int>(minutes));
        text += " min";
    } else if (hours > 0) {
        text += std::to_string(hours) + " h ";
        AppendTwo(text, static_cast<int>(minutes));
        text += " min ";
        text += seconds;
    } else if (minutes > 0) {
        text += std::to_string(minutes) + " min ";
        text += seconds;
    } else {
        text += seconds[0] == '0' ? seconds + 1 : seconds;
    }
    return text;
}

std::vector<size_t> PlottedPoints(const std::vector<TrendPoint>& points, int64_t from, int64_t to, int columns) {
    std::vector<size_t> plotted;
    if (columns < 1) columns = 1;
    if (points.size() <= static_cast<size_t>(columns) * 4 || to <= from) {
        plotted.resize(points.size());
        for (size_t i = 0; i < points.size(); ++i) plotted[i] = i;
        return plotted;
    }
    constexpr size_t kNone = SIZE_MAX;
    struct Bucket {
        size_t first = kNone, lowest = kNone, highest = kNone, last = kNone;
    };
    std::vector<Bucket> buckets(static_cast<size_t>(columns));
    const int64_t span = to - from;
    for (size_t i = 0; i < points.size(); ++i) {
        const int64_t column = std::clamp<int64_t>((points[i].time - from) * columns / span, 0, columns - 1);
        Bucket& b = buckets[static_cast<size_t>(column)];
        if (b.first == kNone) b.first = b.lowest = b.highest = i;
        if (points[i].displacement < points[b.lowest].displacement) b.lowest = i;
        if (points[i].displacement > points[b.highest].displacement) b.highest = i;
        b.last = i;
    }
    for (const Bucket& b : buckets) {
        if (b.first == kNone) continue;
        std::array<size_t, 4> kept = {b.first, b.lowest, b.highest, b.last};
        std::sort(kept.begin(), kept.end());
        for (size_t k = 0; k < kept.size(); ++k) {
            if (k == 0 || kept[k] != kept[k - 1]) plotted.push_back(kept[k]);
        }
    }
    return plotted;
}

TrendPlot MakeTrendPlot(int channel, const RecordingData& recording,
                        const std::optional<quality::ChannelLimits>& limits) {
    const ChannelData& data = recording.channels[static_cast<size_t>(channel - 1)];
    TrendPlot plot;
    if (data.points.empty()) return plot;

    // Time: the whole recording, so that the channels' plots line up.
    int64_t from = recording.earliest;
    int64_t to = recording.latest;
    if (to <= from) {
        from -= 500;
        to = from + 1000;
    }
    const Scale x(static_cast<double>(from), static_cast<double>(to), kLeft, kWidth, false);

    // Displacement: the readings and the limits, with some air; a channel
    // without spread gets a few of its gauge's steps around its value.
    double lowest = quality::ToMillimetres(data.summary.stats.Minimum());
    double highest = quality::ToMillimetres(data.summary.stats.Maximum());
    if (limits) {
        lowest = std::min(lowest, quality::ToMillimetres(limits->LowerLimit()));
        highest = std::max(highest, quality::ToMillimetres(limits->UpperLimit()));
    }
    const double resolution = std::pow(10.0, -std::clamp(data.mostDecimals, 0, quality::kFixedDecimals));
    std::tie(lowest, highest) = PlotRange(lowest, highest, 4 * resolution, 5 * resolution, 0.06);
    const Scale y(lowest, highest, kTop, kHeight, true);
    const auto yOf = [&](quality::Fixed value) { return y(quality::ToMillimetres(value)); };

    std::string& svg = plot.svg;
    svg.reserve(64 * 1024);
    svg += "<svg class=\"plot\" data-channel=\"";
    svg += std::to_string(channel);
    svg += "\" viewBox=\"0 0 ";
    svg += std::to_string(kPlotWidth);
    svg += ' ';
    svg += std::to_string(kPlotHeight);
    svg += "\" role=\"img\" aria-label=\"Trend of channel ";
    svg += std::to_string(channel);
    svg += "\">\n";

    // Grid and tick labels of the displacement.
    const auto [yStep, yDecimals] = NiceStep(highest - lowest, 6);
    std::string grid = "<g class=\"grid\">";
    std::string labels = "<g class=\"ticks y\">";
    const double firstTick = std::ceil(lowest / yStep) * yStep;
    for (int k = 0; firstTick + k * yStep <= highest + yStep * 1e-6; ++k) {
        const double value = firstTick + k * yStep;
        const double at = y(value);
        AppendLine(grid, "", kLeft, kLeft + kWidth, at, at);
        labels += "<text x=\"";
        AppendCoordinate(labels, kLeft - 6);
        labels += "\" y=\"";
        AppendCoordinate(labels, at + 4);
        labels += "\">";
        labels += quality::DecimalText(value, yDecimals);
        labels += "</text>";
    }
    labels += "</g>\n<g class=\"ticks x\">";

    // Grid and tick labels of the time, in the file's local time; the date
    // goes under the first tick and under each tick of a new day.
    const int64_t step = TimeStep(to - from, 7);
    const int firstOffset = recording.OffsetAt(from);
    const int64_t shift = int64_t{firstOffset} * 60000;
    const int secondsDecimals = step >= 1000 ? 0 : step >= 100 ? 1 : step >= 10 ? 2 : 3;
    int64_t previousDay = INT64_MIN;
    for (int64_t local = FloorDiv(from + shift + step - 1, step) * step; local - shift <= to; local += step) {
        const int64_t time = local - shift;
        const int64_t own = time + int64_t{recording.OffsetAt(time)} * 60000;
        const int64_t day = FloorDiv(own, kDay);
        const double at = x(static_cast<double>(time));
        AppendLine(grid, "", at, at, kTop, kTop + kHeight);
        labels += "<text x=\"";
        AppendCoordinate(labels, at);
        labels += "\" y=\"";
        AppendCoordinate(labels, kTop + kHeight + 16);
        labels += "\">";
        if (step >= kDay) {
            labels += DateText(day);
        } else {
            labels += ClockText(own - day * kDay, secondsDecimals, step < 60000);
            if (day != previousDay) {
                labels += "<tspan x=\"";
                AppendCoordinate(labels, at);
                labels += "\" dy=\"14\">";
                labels += DateText(day);
                labels += "</tspan>";
            }
        }
        labels += "</text>";
        previousDay = day;
    }
    grid += "</g>\n";
    labels += "</g>\n";
    svg += grid;
    svg += labels;
    AppendFrame(svg, kLeft, kTop, kWidth, kHeight);
    svg += "<text class=\"axis-title\" transform=\"rotate(-90)\" x=\"";
    AppendCoordinate(svg, -(kTop + kHeight / 2));
    svg += "\" y=\"16\">displacement (mm)</text>\n";
    svg += "<text class=\"axis-title\" x=\"";
    AppendCoordinate(svg, kLeft + kWidth / 2);
    svg += "\" y=\"";
    AppendCoordinate(svg, kPlotHeight - 4);
    svg += "\">local time (";
    svg += recording.offsets.size() > 1 ? std::string("the UTC offset changes during the recording")
                                        : OffsetText(firstOffset);
    svg += ")</text>\n";

    // The trend.
    const std::vector<size_t> plotted = PlottedPoints(data.points, from, to, kPlotColumns);
    plot.plotted = plotted.size();
    svg += "<polyline class=\"trend\" data-channel=\"";
    svg += std::to_string(channel);
    svg += "\" points=\"";
    for (size_t i = 0; i < plotted.size(); ++i) {
        const TrendPoint& p = data.points[plotted[i]];
        if (i > 0) svg += ' ';
        AppendCoordinate(svg, x(static_cast<double>(p.time)));
        svg += ',';
        AppendCoordinate(svg, yOf(p.displacement));
    }
    svg += "\"/>\n";

    // The limits over it, labelled in the right margin, clear of the data;
    // labels of close limits are moved apart to stay readable.
    if (limits) {
        struct Line {
            const char* kind;
            const char* label;
            quality::Fixed value;
            double at = 0;
            double labelAt = 0;
        };
        std::array<Line, 3> lines = {{{"upper", "USL ", limits->UpperLimit()},
                                      {"nominal", "nom. ", limits->nominal},
                                      {"lower", "LSL ", limits->LowerLimit()}}};
        constexpr double kLabelGap = 12;
        for (size_t i = 0; i < lines.size(); ++i) {
            lines[i].at = lines[i].labelAt = yOf(lines[i].value);
            if (i > 0) lines[i].labelAt = std::max(lines[i].labelAt, lines[i - 1].labelAt + kLabelGap);
        }
        const double overshoot = lines.back().labelAt - (kTop + kHeight);
        for (Line& line : lines) {
            if (overshoot > 0) line.labelAt -= overshoot;
        }
        // The limit's own decimals, but at least the readings'.
        int decimals = std::clamp(data.mostDecimals, 0, quality::kFixedDecimals);
        for (const Line& line : lines) {
            while (decimals < quality::kFixedDecimals &&
                   line.value % static_cast<quality::Fixed>(std::pow(10, quality::kFixedDecimals - decimals)) != 0) {
                ++decimals;
            }
        }
        for (const Line& line : lines) {
            svg += "<line class=\"limit ";
            svg += line.kind;
            svg += "\" data-mm=\"";
            svg += quality::MillimetreText(line.value, quality::kFixedDecimals);
            svg += "\" x1=\"";
            AppendCoordinate(svg, kLeft);
            svg += "\" x2=\"";
            AppendCoordinate(svg, kLeft + kWidth);
            svg += "\" y1=\"";
            AppendCoordinate(svg, line.at);
            svg += "\" y2=\"";
            AppendCoordinate(svg, line.at);
            svg += "\"/><text class=\"limit-label ";
            svg += line.kind;
            svg += "\" x=\"";
            AppendCoordinate(svg, kLeft + kWidth + 5);
            svg += "\" y=\"";
            AppendCoordinate(svg, line.labelAt + 4);
            svg += "\">";
            svg += line.label;
            svg += quality::MillimetreText(line.value, decimals);
            svg += "</text>\n";
        }
    }

    // The readings outside. Many of them would bury the plot (and bloat the
    // page): then only the farthest out per pixel column and side, thinned
    // evenly to the most markers.
    std::vector<const OutsidePoint*> markers;
    if (data.outside.size() <= kMostMarkers) {
        for (const OutsidePoint& o : data.outside) markers.push_back(&o);
    } else {
        std::vector<const OutsidePoint*> low(kPlotColumns, nullptr), high(kPlotColumns, nullptr);
        for (const OutsidePoint& o : data.outside) {
            const TrendPoint& p = data.points[o.point];
            const auto column = static_cast<size_t>(
                std::clamp<int64_t>((p.time - from) * kPlotColumns / (to - from), 0, kPlotColumns - 1));
            const OutsidePoint*& kept = o.judgement == quality::Judgement::Low ? low[column] : high[column];
            const quality::Fixed keptValue = kept ? data.points[kept->point].displacement : 0;
            if (!kept ||
                (o.judgement == quality::Judgement::Low ? p.displacement < keptValue : p.displacement > keptValue)) {
                kept = &o;
            }
        }
        std::vector<const OutsidePoint*> farthest;
        for (size_t c = 0; c < low.size(); ++c) {
            if (low[c]) farthest.push_back(low[c]);
            if (high[c]) farthest.push_back(high[c]);
        }
        const size_t kept = std::min(farthest.size(), kMostMarkers);
        for (size_t i = 0; i < kept; ++i) markers.push_back(farthest[i * farthest.size() / kept]);
    }
    plot.marked = markers.size();
    if (!markers.empty()) {
        svg += "<g class=\"outside\">";
        for (const OutsidePoint* o : markers) {
            const TrendPoint& p = data.points[o->point];
            const bool low = o->judgement == quality::Judgement::Low;
            svg += low ? "<circle class=\"outside low\"" : "<circle class=\"outside high\"";
            svg += " data-line=\"";
            svg += std::to_string(o->line);
            svg += "\" cx=\"";
            AppendCoordinate(svg, x(static_cast<double>(p.time)));
            svg += "\" cy=\"";
            AppendCoordinate(svg, yOf(p.displacement));
            svg += "\" r=\"3\"><title>line ";
            svg += std::to_string(o->line);
            svg += ": ";
            svg += quality::MillimetreText(p.displacement, data.mostDecimals);
            svg += low ? " mm, LOW" : " mm, HIGH";
            svg += "</title></circle>";
        }
        svg += "</g>\n";
    }
    svg += "</svg>\n";
    return plot;
}

}  // namespace vexla::recorder::report
