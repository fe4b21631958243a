#pragma once
// One channel's trend as an inline SVG: displacement over the recording's
// time, with the limits as dashed lines and the readings outside them
// marked. A plot stays small whatever the recording's length: it draws at
// most four points per pixel column and a bounded number of markers.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recorder/report/recording_file.h"

namespace vexla::recorder::report {

inline constexpr int kPlotWidth = 960;  // the SVG's own units; the page scales it
inline constexpr int kPlotHeight = 300;
inline constexpr int kPlotColumns = 800;  // pixel columns of the plotting area
inline constexpr size_t kMostMarkers = 200;

// The points to draw, as indices in time order of columns: all of them
// (in the file's order) when there are at most four per column, else per
// pixel column the first, lowest, highest and last, so that spikes stay.
std::vector<size_t> PlottedPoints(const std::vector<TrendPoint>& points, int64_t from, int64_t to, int columns);

struct TrendPlot {
    std::string svg;
    size_t plotted = 0;  // points of the trend line
    size_t marked = 0;   // readings outside the limits with a marker
};

TrendPlot MakeTrendPlot(int channel, const RecordingData& recording,
                        const std::optional<quality::ChannelLimits>& limits);

// "2026-12-08 18:40:01.250 UTC+01:00": a moment as its local clock showed it.
std::string LocalDateTimeText(const LocalTime& time);
// "1 h 02 min 03.250 s", "3 d 04 h 05 min", "0.250 s".
std::string DurationText(int64_t milliseconds);

}  // namespace vexla::recorder::report
