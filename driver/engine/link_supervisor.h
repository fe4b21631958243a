#pragma once
// The serial link to the gauge network: opened at connect with its line
// settings, watched for silence on every tick, and closed and opened again
// when nothing has arrived for ten ticks.

#include <cstdint>
#include <span>
#include <string>

#include "engine/link_port.h"

namespace vexla {

inline constexpr uint8_t kWatchdogAfterReceive = 12;
inline constexpr uint8_t kWatchdogAfterOpen = 22;
inline constexpr uint8_t kWatchdogReopenAt = 2;
inline constexpr int32_t kSlowestLineSpeed = 1200;

// The speed the line runs at for a requested one.
constexpr int32_t LineSpeedFor(int32_t baudRate) {
    return baudRate < kSlowestLineSpeed ? kSlowestLineSpeed : baudRate;
}

// "<the component's text> (OS error N)", for the trace.
std::string DescribeFailure(const PortStatus& status);
// "; the device refused line settings (OS error N)" after an open whose line
// settings were not all taken, else empty.
std::string DescribeRefusedSettings(const PortStatus& status);

class LinkSupervisor {
  public:
    // `port` may be null (a driver without a port never opens).
    explicit LinkSupervisor(LinkPort* port) : port_(port) {}

    // Opens `portNumber` at `baudRate` (raised to the slowest speed the line
    // supports); on failure the port is closed again.
    bool Open(int32_t portNumber, int32_t baudRate);
    // Closes an open link; false when it was not open.
    bool Close();
    void BytesReceived() { watchdog_ = kWatchdogAfterReceive; }

    enum class Watch { Quiet, Reopened, Lost };
    // One tick of supervision of an open link: Reopened when the silent
    // port was closed and opened again, Lost when it could not be reopened
    // (the link is then closed and stays so).
    Watch Tick();

    // Hands a frame to the port; a refused write is dropped like any other
    // failed command.
    void Write(std::span<const uint8_t> frame);

    bool IsOpen() const { return open_; }
    // Why the latest open or reopen failed.
    const PortStatus& LastOpen() const { return lastOpen_; }
    int32_t PortInUse() const { return portInUse_; }
    const LinkSettings& LineInUse() const { return lineInUse_; }
    uint8_t Watchdog() const { return watchdog_; }

  private:
    LinkPort* port_;
    bool open_ = false;
    int32_t portInUse_ = 0;
    LinkSettings lineInUse_;
    PortStatus lastOpen_;
    uint8_t watchdog_ = 0;
};

}  // namespace vexla
