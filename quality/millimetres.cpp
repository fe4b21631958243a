#include "millimetres.h"

#include <cstdio>
#include <cstdlib>

namespace vexla::quality {

namespace {

constexpr Fixed kLargest = 1000000 * kFixedPerMm;  // a kilometre: no gauge reads that far

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::optional<Fixed> ParseMillimetres(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    Fixed whole = 0;
    Fixed fraction = 0;
    int digits = 0;
    int decimals = -1;  // -1: no point seen
    for (const char c : text) {
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9') return std::nullopt;
        ++digits;
        if (decimals < 0) {
            whole = whole * 10 + (c - '0');
            if (whole > kLargest / kFixedPerMm) return std::nullopt;
        } else {
            if (++decimals > kFixedDecimals) return std::nullopt;
            fraction = fraction * 10 + (c - '0');
        }
    }
    if (digits == 0) return std::nullopt;
    for (int d = decimals < 0 ? 0 : decimals; d < kFixedDecimals; ++d) fraction *= 10;
    const Fixed value = whole * kFixedPerMm + fraction;
    return negative ? -value : value;
}

std::string DecimalText(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string result = text;
    // "-0.000" reads as a sign that is not there.
    if (result.find_first_not_of("-0.") == std::string::npos && result.front() == '-') result.erase(0, 1);
    return result;
}

std::string MillimetreText(Fixed value, int decimals) {
    if (decimals < 0) decimals = 0;
    if (decimals > kFixedDecimals) decimals = kFixedDecimals;
    Fixed step = 1;
    for (int d = decimals; d < kFixedDecimals; ++d) step *= 10;
    const bool negative = value < 0;
    // Magnitudes here are far from the 64-bit ends, so negating is safe.
    Fixed magnitude = negative ? -value : value;
    magnitude = (magnitude + step / 2) / step;
    Fixed scale = 1;
    for (int d = 0; d < decimals; ++d) scale *= 10;
    std::string text = negative && magnitude != 0 ? "-" : "";
    text += std::to_string(magnitude / scale);
    if (decimals > 0) {
        std::string fraction = std::to_string(magnitude % scale);
        text += '.';
        text.append(static_cast<size_t>(decimals) - fraction.size(), '0');
        text += fraction;
    }
    return text;
}

}  // namespace vexla::quality
