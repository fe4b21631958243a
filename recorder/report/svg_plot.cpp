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

std::pair<double, int> NiceStep(double span, int parts) {
    const double raw = span / parts;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double mantissa = raw / power;
    const double step = (mantissa <= 1 ? 1 : mantissa <= 2 ? 2 : mantissa <= 5 ? 5 : 10) * power;
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
    return {step, decimals};
}

}  // namespace vexla::recorder::report
