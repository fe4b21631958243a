#pragma once
// The five data formats of the gauge network; exactly one is active. The
// setting is a byte read from the configuration file, so any other value can
// occur and must be treated as "no known format".

#include <cstdint>

namespace vexla {

enum DataFormat : uint8_t {
    kFormatBlock = 0,          // gauges push 62-byte block frames
    kFormatText = 1,           // gauges push text frames with odd parity
    kFormatPolledGeneral = 2,  // the driver polls each address for a general frame
    kFormatPushedGeneral = 3,  // gauges push general frames
    kFormatWireless = 4,       // the driver polls groups of four wireless gauges
};

// Formats in which each channel captures its own reference point.
constexpr bool CapturesPerChannel(uint8_t format) {
    return format == kFormatPolledGeneral || format == kFormatPushedGeneral || format == kFormatWireless;
}

}  // namespace vexla
