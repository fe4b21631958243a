#pragma once
// How the monitor turns the driver's numbers into cell texts.

#include <cstdint>
#include <optional>
#include <string>

#include "monitor/model/monitor_exports.h"

namespace vexla::monitor {

// The gauge kind chosen in "容栅硬件类型": it decides the decimals.
enum class HardwareType : uint8_t { Percent = 0, Thousandth = 1 };  // 百分表 0.01 mm, 千分表 0.001 mm
// "电脑显示方式".
enum class DisplayMode : uint8_t { Standard = 0, HalfDigit = 1, OneDigit = 2 };

struct ShownNumber {
    int32_t value = 0;
    uint8_t decimals = 0;
};

// The number and decimals that FormatValue hands to Long2String. A value is
// counted in tenths of the gauge's last digit: the standard mode drops that
// tenth (rounding half away from zero), half-digit mode rounds it to 0 or 5,
// one-digit mode shows it. Results beyond 32 bits (only from values near
// the ends of the range) are held at the nearest end, which no 10-character
// text can show: the driver then gives its all-"*" text.
ShownNumber ShownNumberOf(int32_t value, HardwareType hardware, DisplayMode mode);

// The size of the text buffer handed to Long2String: ten characters and the
// terminating zero.
inline constexpr uint8_t kValueBufferSize = 11;

// The cell text of a value: Long2String's right-aligned ten characters, or
// its all-"*" text when the number does not fit.
std::string FormatValue(host::DriverCalls& driver, int32_t value, HardwareType hardware, DisplayMode mode);

// The cell text of a rate in tenths of updates per second: "已脱离" for 0,
// " 5.3次" / "20.0次" for a positive rate, nothing (the cell keeps its text)
// for a negative one.
std::optional<std::string> RateText(int32_t rate);

}  // namespace vexla::monitor
