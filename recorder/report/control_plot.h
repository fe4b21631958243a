#pragma once
// A characteristic's pictures as inline SVG: its control charts (the
// location chart over the spread chart, with centre lines and limits, the
// points that break a rule marked with the rule's number), and the
// histogram of its readings against the tolerance limits. Every point counts
// for the rules; the drawing keeps per pixel column only the lowest and the
// highest point, so a run of millions stays a few kilobytes.

#include <cstddef>
#include <string>

#include "recorder/report/recording_file.h"
#include "recorder/report/spc.h"

namespace vexla::recorder::report {

inline constexpr size_t kMostRuleMarks = 150;  // per chart

struct ControlPlot {
    std::string svg;
    size_t plotted = 0;   // points drawn of the location chart
    size_t marked = 0;    // points with a rule mark, both charts
    size_t unmarked = 0;  // points that break a rule but carry no mark
};

// Empty without a point; without limits the points alone.
ControlPlot MakeControlPlot(const Characteristic& characteristic, bool capture);

std::string MakeHistogram(const Characteristic& characteristic, const ChannelData& data);

}  // namespace vexla::recorder::report
