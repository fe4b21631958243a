#pragma once
// The driver's settings as held in memory; the configuration file loads and
// saves them.

#include <array>
#include <cstdint>

namespace vexla {

// The line speeds offered to the user, in the order of their list.
inline constexpr std::array<int32_t, 5> kLinkSpeeds = {9600, 19200, 38400, 57600, 115200};

// Settings as held in memory. At library load everything is zero except the
// filter depth and the window switch; the configuration file supplies the
// rest at connect.
struct DriverSettings {
    uint8_t DataFormat = 0;
    int32_t PortNumber = 0;
    int32_t BaudRate = 0;
    uint8_t ShowCtrlWindow = 1;
    uint8_t FilterDepth = 10;
    uint8_t ResetOnConnect = 0;
    uint8_t TimesTenRange = 0;
    uint8_t InvertRange = 0;
    uint8_t ThreeDecimals = 0;
    uint8_t SegmentNumber = 0;
};

}  // namespace vexla
