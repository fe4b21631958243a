#pragma once
// What the report's plots share: coordinates with one decimal (the page
// stays small), steps that read well, and the mapping of values to the
// plotting area.

#include <string>
#include <utility>

namespace vexla::recorder::report {

void AppendCoordinate(std::string& out, double value);
// A <line>, with its class unless that is empty.
void AppendLine(std::string& svg, const char* cls, double x1, double x2, double y1, double y2);
// The plotting area's frame.
void AppendFrame(std::string& svg, double left, double top, double width, double height);

// The values a plot's axis spans: [lowest, highest] with `air` of its span
// added on each side, or, when it is narrower than `narrow`, `half` on each
// side of its middle, so that a flat series still has an axis.
std::pair<double, double> PlotRange(double lowest, double highest, double narrow, double half, double air);

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about
// `parts` pieces, and the decimals its multiples need.
std::pair<double, int> NiceStep(double span, int parts);

// Values from..to onto start..start+length, upward for a y axis.
class Scale {
  public:
    Scale(double from, double to, double start, double length, bool upward)
        : from_(from), span_(to - from), start_(start), length_(length), upward_(upward) {}
    double operator()(double value) const {
        const double share = (value - from_) / span_;
        return upward_ ? start_ + length_ - share * length_ : start_ + share * length_;
    }

  private:
    double from_, span_, start_, length_;
    bool upward_;
};

}  // namespace vexla::recorder::report
