#pragma once
// The selected characteristic's last parts as rows of text: each part a
// column, its value placed between the limits (the control limits, else the
// tolerance, else the values' own span) with the upper limit's line on top,
// the centre dotted and the lower limit's line at the bottom; points beyond
// a limit in the row outside it. 'o' is a point, 'X' one that broke a run
// rule, so that the screen can colour it. One row is a strip: '^' above,
// 'v' below, 'o' between.

#include <string>
#include <vector>

#include "station/model/station.h"

namespace vexla::station::terminal {

inline constexpr int kChartLabelCells = 10;  // "  -123.456" before the points

// `rows` lines of exactly `width` cells (ASCII), the newest point last.
std::vector<std::string> ChartText(const ChartPanel& chart, int decimals, int width, int rows);

}  // namespace vexla::station::terminal
