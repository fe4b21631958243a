#pragma once
// Drives a network under a test's clock the way the program's loop does.

#include <vector>

#include "network.h"

namespace vexla::sim::testing {

inline constexpr Micros kMs{1000};

// Steps from `from` to `to` in `step`s; returns what left the line meanwhile.
inline std::vector<uint8_t> RunNetwork(Network& net, Micros from, Micros to, Micros step = kMs) {
    std::vector<uint8_t> out;
    for (Micros t = from; t <= to; t += step) {
        net.Advance(t);
        net.TakeOutput(t, out);
    }
    return out;
}

inline NetworkConfig ConfigFor(uint8_t format, uint32_t baud = 115200) {
    NetworkConfig c;
    c.format = format;
    c.baud = baud;
    return c;
}

}  // namespace vexla::sim::testing
