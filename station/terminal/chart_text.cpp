#include "chart_text.h"

#include <algorithm>
#include <cmath>

#include "quality/millimetres.h"

namespace vexla::station::terminal {

namespace {

struct Lines {
    double upper = 0;
    double centre = 0;
    double lower = 0;
};

std::optional<Lines> LinesOf(const ChartPanel& chart) {
    if (chart.limits) {
        const quality::ControlLines& l = chart.limits->location;
        return Lines{l.upper, l.centre, l.lower};
    }
    if (chart.tolerance) {
        const quality::ChannelLimits& t = *chart.tolerance;
        return Lines{quality::ToMillimetres(t.UpperLimit()), quality::ToMillimetres(t.nominal),
                     quality::ToMillimetres(t.LowerLimit())};
    }
    if (chart.points.empty()) return std::nullopt;
    const auto [low, high] = std::minmax_element(chart.points.begin(), chart.points.end(),
                                                 [](const auto& a, const auto& b) { return a.value < b.value; });
    return Lines{high->value, (low->value + high->value) / 2, low->value};
}

std::string Label(double value, int decimals) {
    std::string text = quality::DecimalText(value, decimals);
    if (static_cast<int>(text.size()) >= kChartLabelCells) text = std::string(kChartLabelCells - 1, '*');
    return std::string(static_cast<std::size_t>(kChartLabelCells - 1) - text.size(), ' ') + text + " ";
}

}  // namespace

std::vector<std::string> ChartText(const ChartPanel& chart, int decimals, int width, int rows) {
    std::vector<std::string> out(static_cast<std::size_t>(std::max(rows, 0)),
                                 std::string(static_cast<std::size_t>(std::max(width, 0)), ' '));
    const int columns = width - kChartLabelCells;
    const std::optional<Lines> lines = LinesOf(chart);
    if (rows <= 0 || columns <= 0 || !lines) return out;

    // Rows 1 .. rows-2 span the limits; row 0 and the last hold the points beyond.
    const int first = rows >= 3 ? 1 : 0;
    const int last = rows >= 3 ? rows - 2 : 0;
    const double span = lines->upper - lines->lower;
    const auto rowOf = [&](double value) {
        if (rows < 3) return 0;
        if (value > lines->upper) return 0;
        if (value < lines->lower) return rows - 1;
        if (span <= 0) return first;
        return first + static_cast<int>(std::lround((lines->upper - value) / span * (last - first)));
    };
    const auto at = [&](int row, int column) -> char& {
        return out[static_cast<std::size_t>(row)][static_cast<std::size_t>(kChartLabelCells + column)];
    };
    if (rows >= 3) {
        const int centre = rowOf(lines->centre);
        for (int c = 0; c < columns; ++c) {
            at(first, c) = '-';
            at(last, c) = '-';
            if (centre != first && centre != last) at(centre, c) = c % 2 == 0 ? '.' : ' ';
        }
        // Where two lines share a row the outer one's label wins.
        out[static_cast<std::size_t>(centre)].replace(0, kChartLabelCells, Label(lines->centre, decimals));
        out[static_cast<std::size_t>(last)].replace(0, kChartLabelCells, Label(lines->lower, decimals));
        out[static_cast<std::size_t>(first)].replace(0, kChartLabelCells, Label(lines->upper, decimals));
    }
    const std::size_t shown = std::min(chart.points.size(), static_cast<std::size_t>(columns));
    const std::size_t skip = chart.points.size() - shown;
    for (std::size_t i = 0; i < shown; ++i) {
        const ChartPanel::Point& p = chart.points[skip + i];
        const int column = static_cast<int>(i);
        char mark = p.locationBroken || p.spreadBroken ? 'X' : 'o';
        if (rows < 3 && mark == 'o') mark = p.value > lines->upper ? '^' : p.value < lines->lower ? 'v' : 'o';
        at(rowOf(p.value), column) = mark;
    }
    return out;
}

}  // namespace vexla::station::terminal
