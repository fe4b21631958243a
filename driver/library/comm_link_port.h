#pragma once
// The engine's port seam over the serial component: the line settings of a
// gauge network, and a refusal instead of an exception when the port cannot
// be opened.

#include <string>

#include "comm.h"
#include "engine/link_port.h"

namespace vexla {

// How long received bytes may gather before the receive thread reads them.
// Well inside a 512-byte ring at 115200 baud (11.5 bytes a millisecond), and
// the tick on Linux collects whatever is there before it decodes.
inline constexpr uint32_t kReceiveBatchMs = 100;

// The name the system opens for port N; the texts still say "Com" + N.
std::string PortDeviceName(int32_t portNumber);

class CommLinkPort final : public LinkPort {
  public:
    explicit CommLinkPort(TComm& comm) : comm_(comm) {}
    PortStatus Open(const LinkSettings& settings) override;
    void Close() override { comm_.ClosePort(); }
    bool QueueWrite(std::span<const uint8_t> bytes) override;

  private:
    TComm& comm_;
};

}  // namespace vexla
