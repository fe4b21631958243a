#pragma once
// The simulator's end of the serial line on a POSIX system: a pseudo-terminal
// that the driver opens as its port, or a real serial device.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/result.h"

namespace vexla::sim {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1);

  private:
    int fd_ = -1;
};

class SerialEndpoint {
  public:
    // Both fail with the system's reason when the line cannot be opened.
    static Result<SerialEndpoint> CreatePty(uint32_t baud);
    static Result<SerialEndpoint> OpenDevice(const std::string& path, uint32_t baud);

    bool IsOpen() const { return fd_.get() >= 0; }
    int Fd() const { return fd_.get(); }
    const std::string& Path() const { return path_; }
    // Non-blocking; bytes the far end has no room for are lost, as on a line
    // nobody reads. Returns the number written.
    std::size_t Write(std::span<const uint8_t> bytes);
    // Appends what is waiting; false once the line has failed.
    bool Read(std::vector<uint8_t>& out);
    void Close();

  private:
    UniqueFd fd_;
    UniqueFd slave_;  // held open so the pty survives the driver closing it
    std::string path_;
};

// A symlink `link` -> `target` that goes away with this object (if it still
// points at `target` then). Refuses to replace anything but a symlink.
class ScopedSymlink {
  public:
    ScopedSymlink() = default;
    ScopedSymlink(ScopedSymlink&& other) noexcept;
    ScopedSymlink& operator=(ScopedSymlink&& other) noexcept;
    ScopedSymlink(const ScopedSymlink&) = delete;
    ScopedSymlink& operator=(const ScopedSymlink&) = delete;
    ~ScopedSymlink() { Remove(); }

    static Result<ScopedSymlink> Make(const std::string& link, const std::string& target);
    const std::string& Link() const { return link_; }
    void Remove();

  private:
    std::string link_, target_;
};

// Where the driver looks for COM N: under Wine and on Linux.
std::vector<std::string> ComLinkPaths(int com);

}  // namespace vexla::sim
