#include "monitor/model/value_texts.h"

#include <array>
#include <cstdlib>
#include <limits>

#include "monitor/model/monitor_texts.h"

namespace vexla::monitor {

namespace {

int32_t HeldToInt32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

}  // namespace

ShownNumber ShownNumberOf(int32_t value, HardwareType hardware, DisplayMode mode) {
    const auto h = static_cast<uint8_t>(hardware);
    // 64 bits: v + 5 and |v| overflow 32 bits at the ends of the range.
    const int64_t v = value;
    switch (mode) {
        case DisplayMode::Standard:
            return {static_cast<int32_t>(v > 0 ? (v + 5) / 10 : (v - 5) / 10), static_cast<uint8_t>(h + 2)};
        case DisplayMode::HalfDigit: {
            const int64_t a = v < 0 ? -v : v;
            const int64_t t = a % 10;
            const int64_t rounded = a - t + (t <= 2 ? 0 : t <= 7 ? 5 : 10);
            return {HeldToInt32(v < 0 ? -rounded : rounded), static_cast<uint8_t>(h + 3)};
        }
        case DisplayMode::OneDigit:
            break;
    }
    return {value, static_cast<uint8_t>(h + 3)};
}

std::string FormatValue(host::DriverCalls& driver, int32_t value, HardwareType hardware, DisplayMode mode) {
    const ShownNumber shown = ShownNumberOf(value, hardware, mode);
    // One byte more than the driver is told: its all-"*" text fills the
    // whole buffer without a terminator, and the zero behind it ends the text.
    std::array<char, kValueBufferSize + 1> buffer{};
    driver.Long2String(shown.value, shown.decimals, buffer.data(), kValueBufferSize);
    return std::string(buffer.data());
}

std::optional<std::string> RateText(int32_t rate) {
    if (rate < 0) return std::nullopt;
    if (rate == 0) return std::string(texts::kDroppedOut);
    const int32_t whole = rate / 10;
    std::string text = whole <= 9 ? " " : "";
    text += std::to_string(whole);
    text += '.';
    text += std::to_string(rate % 10);
    text += texts::kRateUnit;
    return text;
}

}  // namespace vexla::monitor
