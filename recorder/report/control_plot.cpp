#include "recorder/report/control_plot.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <vector>

#include "quality/millimetres.h"
#include "recorder/report/svg_plot.h"

namespace vexla::recorder::report {

namespace {

constexpr int kWidthUnits = 960;
constexpr double kLeft = 76;
constexpr double kWidth = 800;
constexpr int kColumns = 800;

struct Area {
    double top;
    double height;
};
constexpr Area kLocationArea{24, 160};
constexpr Area kSpreadArea{232, 100};
constexpr int kControlHeight = 380;
constexpr Area kHistogramArea{22, 170};
constexpr int kHistogramHeight = 240;
constexpr int kMostBins = 60;

// The points of one chart to draw: all when they are few, else per pixel
// column the lowest and the highest, in their order, so that every spike stays.
template <typename Value>
std::vector<size_t> Thinned(size_t count, Value value) {
    std::vector<size_t> kept;
    const size_t columns = kColumns;
    if (count <= 2 * columns) {
        for (size_t i = 0; i < count; ++i) {
            if (value(i)) kept.push_back(i);
        }
        return kept;
    }
    size_t low = SIZE_MAX, high = SIZE_MAX, column = 0;
    const auto flush = [&] {
        if (low == SIZE_MAX) return;
        kept.push_back(std::min(low, high));
        if (low != high) kept.push_back(std::max(low, high));
        low = high = SIZE_MAX;
    };
    for (size_t i = 0; i < count; ++i) {
        const std::optional<double> v = value(i);
        if (!v) continue;
        const size_t c = i * columns / count;
        if (c != column) flush(), column = c;
        if (low == SIZE_MAX || *v < *value(low)) low = i;
        if (high == SIZE_MAX || *v > *value(high)) high = i;
    }
    flush();
    return kept;
}

struct Mark {
    size_t point = 0;
    std::string rules;  // "1" or "2, 4"
};

// The violations of one chart, one mark per point.
std::vector<Mark> Marks(const std::vector<quality::Violation>& violations, quality::ChartSide side) {
    std::vector<Mark> marks;
    for (const quality::Violation& v : violations) {
        if (v.chart != side) continue;
        if (marks.empty() || marks.back().point != v.point) {
            marks.push_back({v.point, std::to_string(v.rule)});
        } else {
            marks.back().rules += ", " + std::to_string(v.rule);
        }
    }
    return marks;
}

void Text(std::string& svg, const char* cls, double x, double y, const std::string& text) {
    svg += "<text class=\"";
    svg += cls;
    svg += "\" x=\"";
    AppendCoordinate(svg, x);
    svg += "\" y=\"";
    AppendCoordinate(svg, y);
    svg += "\">";
    svg += text;
    svg += "</text>";
}

// Horizontal grid lines with their labels, and the frame.
void ValueAxis(std::string& svg, const Area& area, const Scale& y, double from, double to, int decimals) {
    const auto [step, stepDecimals] = NiceStep(to - from, 4);
    svg += "<g class=\"grid\">";
    std::string labels = "<g class=\"ticks y\">";
    const double first = std::ceil(from / step) * step;
    for (int k = 0; first + k * step <= to + step * 1e-6; ++k) {
        const double value = first + k * step;
        AppendLine(svg, "", kLeft, kLeft + kWidth, y(value), y(value));
        Text(labels, "", kLeft - 6, y(value) + 4, quality::DecimalText(value, std::max(stepDecimals, decimals)));
    }
    svg += "</g>";
    svg += labels;
    svg += "</g>\n";
    AppendFrame(svg, kLeft, area.top, kWidth, area.height);
}

struct ChartLines {
    std::optional<quality::ControlLines> lines;
    const char* title;
};

// One chart: its axis, centre line and limits, the points' line and the marks.
void Chart(std::string& svg, const Area& area, const ChartLines& chart, const std::vector<double>& values,
           const std::vector<bool>& present, const std::vector<Mark>& marks, int decimals, ControlPlot& plot,
           bool location) {
    const size_t count = values.size();
    double lowest = 0, highest = 0;
    bool any = false;
    for (size_t i = 0; i < count; ++i) {
        if (!present[i]) continue;
        lowest = any ? std::min(lowest, values[i]) : values[i];
        highest = any ? std::max(highest, values[i]) : values[i];
        any = true;
    }
    if (chart.lines) {
        lowest = any ? std::min(lowest, chart.lines->lower) : chart.lines->lower;
        highest = any ? std::max(highest, chart.lines->upper) : chart.lines->upper;
    }
    const double resolution = std::pow(10.0, -decimals);
    std::tie(lowest, highest) = PlotRange(lowest, highest, 2 * resolution, 2 * resolution, 0.08);
    const Scale y(lowest, highest, area.top, area.height, true);
    const auto x = [&](size_t i) {
        return kLeft + (static_cast<double>(i) + 0.5) * kWidth / static_cast<double>(count);
    };
    ValueAxis(svg, area, y, lowest, highest, decimals);
    Text(svg, "chart-title", kLeft, area.top - 6, chart.title);

    if (chart.lines) {
        const quality::ControlLines& l = *chart.lines;
        const struct {
            const char* cls;
            const char* label;
            double value;
        } lines[] = {{"control upper", "UCL ", l.upper},
                     {"control centre", "CL ", l.centre},
                     {"control lower", "LCL ", l.lower}};
        double previous = -1e9;
        for (const auto& line : lines) {
            AppendLine(svg, line.cls, kLeft, kLeft + kWidth, y(line.value), y(line.value));
            // Labels of close lines are moved apart to stay readable.
            const double at = std::max(y(line.value) + 4, previous + 11);
            Text(svg, "control-label", kLeft + kWidth + 5, at,
                 line.label + quality::DecimalText(line.value, decimals + 1));
            previous = at;
        }
        svg += '\n';
    }

    const std::vector<size_t> drawn = Thinned(count, [&](size_t i) -> std::optional<double> {
        if (!present[i]) return std::nullopt;
        return values[i];
    });
    if (location) plot.plotted = drawn.size();
    svg += "<polyline class=\"chart-line\" data-chart=\"";
    svg += location ? "location" : "spread";
    svg += "\" points=\"";
    for (size_t k = 0; k < drawn.size(); ++k) {
        if (k > 0) svg += ' ';
        AppendCoordinate(svg, x(drawn[k]));
        svg += ',';
        AppendCoordinate(svg, y(values[drawn[k]]));
    }
    svg += "\"/>\n";

    // Many marks would bury the chart: then an even choice of them.
    const size_t kept = std::min(marks.size(), kMostRuleMarks);
    plot.marked += kept;
    plot.unmarked += marks.size() - kept;
    if (kept == 0) return;
    svg += "<g class=\"violations\">";
    for (size_t k = 0; k < kept; ++k) {
        const Mark& m = marks[k * marks.size() / kept];
        svg += "<circle class=\"violation\" data-chart=\"";
        svg += location ? "location" : "spread";
        svg += "\" data-point=\"";
        svg += std::to_string(m.point + 1);
        svg += "\" cx=\"";
        AppendCoordinate(svg, x(m.point));
        svg += "\" cy=\"";
        AppendCoordinate(svg, y(values[m.point]));
        svg += "\" r=\"3.5\"/>";
        Text(svg, "rule-label", x(m.point) + 5, y(values[m.point]) - 5, m.rules);
    }
    svg += "</g>\n";
}

// Point numbers under the spread chart, from 1.
void PointAxis(std::string& svg, size_t count, const char* title) {
    const double step = std::max(1.0, NiceStep(static_cast<double>(count), 8).first);
    svg += "<g class=\"ticks x\">";
    for (double n = step; n <= static_cast<double>(count); n += step) {
        const double at = kLeft + (n - 0.5) * kWidth / static_cast<double>(count);
        Text(svg, "", at, kSpreadArea.top + kSpreadArea.height + 16, quality::DecimalText(n, 0));
    }
    svg += "</g>\n";
    Text(svg, "axis-title", kLeft + kWidth / 2, kControlHeight - 6, title);
    svg += '\n';
}

}  // namespace

ControlPlot MakeControlPlot(const Characteristic& c, bool capture) {
    ControlPlot plot;
    const std::vector<quality::ChartPoint>& points = c.analysis.points;
    if (points.empty()) return plot;
    const quality::ChartKind kind = quality::KindFor(c.settings.subgroup);
    std::vector<double> locations(points.size()), spreads(points.size());
    std::vector<bool> all(points.size(), true), withSpread(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        locations[i] = points[i].location;
        spreads[i] = points[i].spread;
        withSpread[i] = points[i].hasSpread;
    }
    const auto& limits = c.analysis.limits;
    const bool individuals = kind == quality::ChartKind::IndividualsMovingRange;
    std::string& svg = plot.svg;
    svg += "<svg class=\"plot control-chart\" data-channel=\"";
    svg += std::to_string(c.channel);
    svg += "\" viewBox=\"0 0 ";
    svg += std::to_string(kWidthUnits);
    svg += ' ';
    svg += std::to_string(kControlHeight);
    svg += "\" role=\"img\" aria-label=\"Control chart of channel ";
    svg += std::to_string(c.channel);
    svg += "\">\n";
    Chart(svg, kLocationArea,
          {limits ? std::optional(limits->location) : std::nullopt, individuals ? "X (mm)" : "X\u0304 (mm)"}, locations,
          all, Marks(c.analysis.violations, quality::ChartSide::Location), c.decimals, plot, true);
    const char* spreadTitle = individuals ? "MR (mm)" : kind == quality::ChartKind::MeanRange ? "R (mm)" : "S (mm)";
    Chart(svg, kSpreadArea, {limits ? std::optional(limits->spread) : std::nullopt, spreadTitle}, spreads, withSpread,
          Marks(c.analysis.violations, quality::ChartSide::Spread), c.decimals, plot, false);
    PointAxis(svg, points.size(), !individuals ? "subgroup" : capture ? "part" : "reading");
    svg += "</svg>\n";
    return plot;
}

std::string MakeHistogram(const Characteristic& c, const ChannelData& data) {
    if (data.points.empty()) return {};
    // Bins of whole reading steps, so that no bin catches one step more than
    // its neighbours.
    const quality::Fixed step = quality::FixedOf(1, std::clamp(c.decimals, 0, quality::kFixedDecimals));
    quality::Fixed low = c.minimum, high = c.maximum;
    if (c.limits) {
        low = std::min(low, c.limits->LowerLimit());
        high = std::max(high, c.limits->UpperLimit());
    }
    const quality::Fixed steps = (high - low) / step + 1;
    const quality::Fixed width = step * ((steps + kMostBins - 1) / kMostBins);
    const auto floorDiv = [](quality::Fixed a, quality::Fixed b) { return a / b - (a % b != 0 && a < 0 ? 1 : 0); };
    const quality::Fixed start = floorDiv(low, width) * width;
    const auto bins = static_cast<size_t>(floorDiv(high - start, width) + 1);
    std::vector<uint64_t> counts(bins);
    for (const TrendPoint& p : data.points) {
        const auto bin = static_cast<size_t>(std::clamp<quality::Fixed>(floorDiv(p.displacement - start, width), 0,
                                                                        static_cast<quality::Fixed>(bins) - 1));
        ++counts[bin];
    }
    const uint64_t most = *std::max_element(counts.begin(), counts.end());

    // A bar spans its steps from half a step below the first to half a step above the last.
    const double from = quality::ToMillimetres(start) - quality::ToMillimetres(step) / 2;
    const double to = from + quality::ToMillimetres(width) * static_cast<double>(bins);
    const double air = (to - from) * 0.04;
    const Scale x(from - air, to + air, kLeft, kWidth, false);
    const Scale y(0, static_cast<double>(most) * 1.08, kHistogramArea.top, kHistogramArea.height, true);

    std::string svg = "<svg class=\"plot histogram\" data-channel=\"";
    svg += std::to_string(c.channel);
    svg += "\" viewBox=\"0 0 ";
    svg += std::to_string(kWidthUnits);
    svg += ' ';
    svg += std::to_string(kHistogramHeight);
    svg += "\" role=\"img\" aria-label=\"Histogram of channel ";
    svg += std::to_string(c.channel);
    svg += "\">\n";
    ValueAxis(svg, kHistogramArea, y, 0, static_cast<double>(most) * 1.08, 0);
    const auto [xStep, xDecimals] = NiceStep(to - from + 2 * air, 8);
    svg += "<g class=\"ticks x\">";
    for (double v = std::ceil((from - air) / xStep) * xStep; v <= to + air; v += xStep)
        Text(svg, "", x(v), kHistogramArea.top + kHistogramArea.height + 16, quality::DecimalText(v, xDecimals));
    svg += "</g>\n";
    Text(svg, "axis-title", kLeft + kWidth / 2, kHistogramHeight - 6, "displacement (mm)");
    svg += "\n<g class=\"bars\">";
    for (size_t b = 0; b < bins; ++b) {
        if (counts[b] == 0) continue;
        const double left = from + quality::ToMillimetres(width) * static_cast<double>(b);
        svg += "<rect class=\"bar\" data-count=\"";
        svg += std::to_string(counts[b]);
        svg += "\" x=\"";
        AppendCoordinate(svg, x(left));
        svg += "\" y=\"";
        AppendCoordinate(svg, y(static_cast<double>(counts[b])));
        svg += "\" width=\"";
        AppendCoordinate(svg, x(left + quality::ToMillimetres(width)) - x(left));
        svg += "\" height=\"";
        AppendCoordinate(svg, y(0) - y(static_cast<double>(counts[b])));
        svg += "\"/>";
    }
    svg += "</g>\n";
    if (c.limits) {
        const struct {
            const char* cls;
            const char* label;
            quality::Fixed value;
        } lines[] = {{"tol-limit lower", "LSL", c.limits->LowerLimit()},
                     {"tol-limit nominal", "nom.", c.limits->nominal},
                     {"tol-limit upper", "USL", c.limits->UpperLimit()}};
        for (const auto& line : lines) {
            const double at = x(quality::ToMillimetres(line.value));
            AppendLine(svg, line.cls, at, at, kHistogramArea.top, kHistogramArea.top + kHistogramArea.height);
            Text(svg, "tol-label", at, kHistogramArea.top - 6, line.label);
        }
        svg += '\n';
    }
    svg += "</svg>\n";
    return svg;
}

}  // namespace vexla::recorder::report
