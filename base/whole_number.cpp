#include "base/whole_number.h"

namespace vexla {

std::optional<int64_t> ParseWholeNumber(std::string_view text, int64_t lowest, int64_t highest) {
    if (text.empty() || text.size() > 18) return std::nullopt;  // 18 digits never overflow
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < lowest || value > highest) return std::nullopt;
    return value;
}

std::optional<uint32_t> ParseChannelList(std::string_view text) {
    uint32_t mask = 0;
    while (true) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const size_t dash = item.find('-');
        const auto first = ParseWholeNumber(item.substr(0, dash), 1, 32);
        const auto last = dash == std::string_view::npos ? first : ParseWholeNumber(item.substr(dash + 1), 1, 32);
        if (!first || !last || *last < *first) return std::nullopt;
        for (int64_t c = *first; c <= *last; ++c) mask |= 1u << (c - 1);
        if (comma == std::string_view::npos) return mask;
        text.remove_prefix(comma + 1);
    }
}

}  // namespace vexla
