#pragma once
// The engine's view of the serial port: what it writes to the gauges.

#include <cstdint>
#include <span>

namespace vexla {

class LinkPort {
public:
    virtual ~LinkPort() = default;
    // Hands bytes to the port's transmit queue; false when the port refuses
    // them (closed, or nothing to send). A refused write is not retried.
    virtual bool QueueWrite(std::span<const uint8_t> bytes) = 0;
};

}  // namespace vexla
