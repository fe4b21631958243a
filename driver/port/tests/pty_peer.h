#pragma once
// Test fixtures for TComm on POSIX: a pty pair whose master plays the far end
// of the line, and an owner that records every event.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "comm.h"
#include "unique_fd.h"

namespace vexla::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

inline int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

class PtyPeer {
  public:
    PtyPeer() {
        int master = -1;
        int slave = -1;
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
        master_.reset(master);
        slave_.reset(slave);
        name_ = ttyname(slave);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    const std::string& Name() const { return name_; }
    // The test's own descriptor of the port's tty: termios is per tty, so
    // tcgetattr on it shows what the component set.
    int SlaveFd() const { return slave_.get(); }
    int MasterFd() const { return master_.get(); }

    bool Write(const std::vector<uint8_t>& bytes, std::chrono::milliseconds timeout = 10s) {
        const auto deadline = Clock::now() + timeout;
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_.get(), bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
            pollfd fd{master_.get(), POLLOUT, 0};
            if (::poll(&fd, 1, RemainingMs(deadline)) <= 0) return false;
        }
        return true;
    }

    // Reads until `count` bytes have come or the time is up.
    std::vector<uint8_t> Read(size_t count, std::chrono::milliseconds timeout = 10s) {
        const auto deadline = Clock::now() + timeout;
        std::vector<uint8_t> bytes;
        uint8_t buffer[4096];
        while (bytes.size() < count) {
            const ssize_t n = ::read(master_.get(), buffer, sizeof buffer);
            if (n > 0) {
                bytes.insert(bytes.end(), buffer, buffer + n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) break;
            pollfd fd{master_.get(), POLLIN, 0};
            if (::poll(&fd, 1, RemainingMs(deadline)) <= 0) break;
        }
        return bytes;
    }

    // The far end vanishes, as when a USB adapter is pulled.
    void HangUp() { master_.reset(); }

  private:
    UniqueFd master_;
    UniqueFd slave_;
    std::string name_;
};

// Owns a TComm and records its events, which the test raises by pumping the
// notification queue as the driver's thread will.
class Owner {
  public:
    Owner() {
        comm.OnReceiveData = [this](TComm& sender, const uint8_t* buffer, uint16_t length) {
            if (&sender != &comm) ++wrongSender;
            blocks.emplace_back(buffer, buffer + length);
            bytes.insert(bytes.end(), buffer, buffer + length);
            if (buffer[length] != 0) ++unterminatedBlocks;
        };
        comm.OnReceiveError = [this](TComm&, uint32_t mask) { errors.push_back(mask); };
        comm.OnModemStateChange = [this](TComm&, uint32_t bits) { modem.push_back(bits); };
        comm.OnRequestHangup = [this](TComm&) { ++hangups; };
        comm.OnSendDataEmpty = [this](TComm&) { ++sendEmpty; };
    }

    // Raises events until `done` holds or the time is up; true when it holds.
    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            comm.ProcessNotifications();
            if (done()) return true;
            if (Clock::now() >= deadline) return false;
            pollfd fd{comm.NotificationFd(), POLLIN, 0};
            ::poll(&fd, 1, RemainingMs(deadline));
        }
    }

    // Raises events for the whole period; for checking that nothing more comes.
    void PumpFor(std::chrono::milliseconds period) {
        WaitUntil([] { return false; }, period);
    }

    TComm comm;
    std::vector<std::vector<uint8_t>> blocks;
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> errors;
    std::vector<uint32_t> modem;
    int hangups = 0;
    int sendEmpty = 0;
    int wrongSender = 0;
    int unterminatedBlocks = 0;
};

inline std::vector<uint8_t> EveryByteValue(int repeats = 1) {
    std::vector<uint8_t> bytes;
    for (int r = 0; r < repeats; ++r) {
        for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<uint8_t>(value));
    }
    return bytes;
}

}  // namespace vexla::test
