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

void AppendLine(std::string& svg, const char* cls, double x1, double x2, double y1, double y2) {
    svg += "<line";
    if (*cls != '\0') {
        svg += " class=\"";
        svg += cls;
        svg += '"';
    }
    svg += " x1=\"";
    AppendCoordinate(svg, x1);
    svg += "\" x2=\"";
    AppendCoordinate(svg, x2);
    svg += "\" y1=\"";
    AppendCoordinate(svg, y1);
    svg += "\" y2=\"";
    AppendCoordinate(svg, y2);
    svg += "\"/>";
}

void AppendFrame(std::string& svg, double left, double top, double width, double height) {
    svg += "<rect class=\"frame\" x=\"";
    AppendCoordinate(svg, left);
    svg += "\" y=\"";
    AppendCoordinate(svg, top);
    svg += "\" width=\"";
    AppendCoordinate(svg, width);
    svg += "\" height=\"";
    AppendCoordinate(svg, height);
    svg += "\"/>\n";
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
