#pragma once
// The TCP connection the MQTT client speaks over, one file per system
// (network_posix.cpp, network_win32.cpp). Everything is non-blocking: the
// recorder and the station call the client from their one thread between
// ticks, and a broker that is slow or gone must never hold a tick up.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "base/result.h"

namespace vexla::publish {

class TcpLink {
  public:
    virtual ~TcpLink() = default;
    // Resolves the host and begins connecting; a refusal may come now or
    // from a later Connected().
    virtual Status Open(const std::string& host, uint16_t port) = 0;
    // True once connected, false while the connect is under way.
    virtual Result<bool> Connected() = 0;
    // The bytes the system took: 0 when its buffer is full for now.
    virtual Result<size_t> Send(std::span<const char> bytes) = 0;
    // The bytes there were: 0 when none yet; a closed connection fails.
    virtual Result<size_t> Receive(std::span<char> into) = 0;
    virtual void Close() = 0;
};

std::unique_ptr<TcpLink> MakeTcpLink();

// The computer's name, as the station's name in topics.
std::string ComputerName();

// Where a program keeps its queue of unsent parts when told no other
// place: the driver's configuration folder (it survives a reboot and is
// the station's own).
std::string QueueFolder();

}  // namespace vexla::publish
