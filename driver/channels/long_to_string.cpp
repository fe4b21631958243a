#include "channels/long_to_string.h"

#include <array>
#include <cstring>

namespace vexla {

void Long2String(int32_t value, uint8_t decimals, char* buffer, uint8_t length) {
    if (buffer == nullptr || length < 2) return;
    std::memset(buffer, 0, length);

    // Built backwards from the last digit: at most 255 fraction digits, a
    // point, ten integer digits and a sign.
    std::array<char, 300> text{};
    std::size_t start = text.size();
    auto prepend = [&](char c) { text[--start] = c; };

    const bool negative = value < 0;
    uint64_t magnitude = negative ? uint64_t{0} - static_cast<uint64_t>(int64_t{value}) : static_cast<uint64_t>(value);
    if (decimals > 0) {
        for (unsigned i = 0; i < decimals; ++i, magnitude /= 10) prepend(static_cast<char>('0' + magnitude % 10));
        prepend('.');
    }
    do {
        prepend(static_cast<char>('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) prepend('-');

    const std::size_t textLength = text.size() - start;
    const std::size_t width = length - 1u;
    if (textLength > width) {
        std::memset(buffer, '*', length);  // overflow: no terminator
        return;
    }
    std::memset(buffer, ' ', width - textLength);
    std::memcpy(buffer + (width - textLength), text.data() + start, textLength);
}

}  // namespace vexla
