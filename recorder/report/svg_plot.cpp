#include "recorder/report/svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vexla::recorder::report {

void AppendCoordinate(std::string& out, double value) {
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%.1f", value);
    out.append(text, static_cast<size_t>(std::max(length, 0)));
}

namespace {

// ` name="value"`, the value as a coordinate.
void AppendAttribute(std::string& svg, const char* name, double value) {
    svg += ' ';
    svg += name;
    svg += "=\"";
    AppendCoordinate(svg, value);
    svg += '"';
}

}  // namespace

void AppendLine(std::string& svg, const char* cls, double x1, double x2, double y1, double y2) {
    svg += "<line";
    if (*cls != '\0') {
        svg += " class=\"";
        svg += cls;
        svg += '"';
    }
    AppendAttribute(svg, "x1", x1);
    AppendAttribute(svg, "x2", x2);
    AppendAttribute(svg, "y1", y1);
    AppendAttribute(svg, "y2", y2);
    svg += "/>";
}

void AppendFrame(std::string& svg, double left, double top, double width, double height) {
    svg += "<rect class=\"frame\"";
    AppendAttribute(svg, "x", left);
    AppendAttribute(svg, "y", top);
    AppendAttribute(svg, "width", width);
    AppendAttribute(svg, "height", height);
    svg += "/>\n";
}

std::pair<double, double> PlotRange(double lowest, double highest, double narrow, double half, double air) {
    if (highest - lowest < narrow) {
        const double middle = (highest + lowest) / 2;
        return {middle - half, middle + half};
    }
    const double padding = (highest - lowest) * air;
    return {lowest - padding, highest + padding};
}

std::pair<double, int> NiceStep(double span, int parts) {
    const double raw = span / parts;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double mantissa = raw / power;
    const double step = (mantissa <= 1 ? 1 : mantissa <= 2 ? 2 : mantissa <= 5 ? 5 : 10) * power;
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
    return {step, decimals};
}

}  // namespace vexla::recorder::report
