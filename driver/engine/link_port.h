#pragma once
// The engine's view of the serial port: open it with the line settings of a
// gauge network, close it, and queue bytes for the gauges.

#include <cstdint>
#include <span>
#include <string>
#include <system_error>

namespace vexla {

// Everything else about the line is fixed: 8 data bits, no parity, 1 stop
// bit, no flow control, DTR and RTS asserted, blocks of one byte.
struct LinkSettings {
    int32_t PortNumber = 1;  // 1 = COM1
    int32_t BaudRate = 19200;
};

// What an open came to: open, or why not (the serial component's own text
// and the system's error behind it, for the trace; the user is told in the
// driver's words).
struct PortStatus {
    bool open = false;
    std::string failure;
    std::error_code error{};  // errno or GetLastError as the component caught it; empty if none
    // Open, but the device refused some of the line settings (the system's
    // error); the line may not run at the intended speed.
    std::error_code settingsError{};
};

class LinkPort {
  public:
    virtual ~LinkPort() = default;
    // Not open when the port cannot be opened (missing, taken, not a serial
    // device); the port is then closed.
    virtual PortStatus Open(const LinkSettings& settings) = 0;
    virtual void Close() = 0;
    // Hands bytes to the port's transmit queue; false when the port refuses
    // them (closed, or nothing to send). A refused write is not retried.
    virtual bool QueueWrite(std::span<const uint8_t> bytes) = 0;
};

}  // namespace vexla
