#pragma once
// The pieces of a whole-system run on Linux: gaugesim as a child process on a
// pty linked as a COM port, the library loaded by file name, a host that
// polls it every 50 ms, and the configuration file on disk. Each scenario
// runs in a forked child so that it starts with a library nobody has touched
// and with its own configuration folder.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/driver_library.h"
#include "vexla.h"

namespace vexla::testing {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Generous: sanitizer builds and a busy machine slow everything down.
inline constexpr auto kPatience = 20s;

// Runs `body` in a forked child with HOME and XDG_CONFIG_HOME pointing at a
// fresh folder (passed to `body`) and its standard error going to
// `home`/stderr.txt; fails the calling test when the child fails, crashes or
// hangs (runs longer than `limit`).
void RunIsolated(const std::function<void(const std::string& home)>& body, std::chrono::seconds limit = 120s);

std::string ReadFile(const std::string& path);

// One line of gaugesim's output with the moment this process read it.
struct SimLine {
    Clock::time_point seen;
    double stamp = -1;  // gaugesim's own "[   1.234]" clock, -1 without one
    std::string text;   // without the stamp
};

// A row of gaugesim's --table.
struct ShownGauge {
    bool fine = false;  // 0.001 mm gauge
    double displayMm = 0;
    int32_t position = 0;
    // The display in the driver's value unit (tenths of the last digit).
    int32_t Value() const;
};

class Gaugesim {
  public:
    explicit Gaugesim(const std::vector<std::string>& args);
    ~Gaugesim();
    Gaugesim(const Gaugesim&) = delete;
    Gaugesim& operator=(const Gaugesim&) = delete;

    // The pty path once the program has made its COM links; empty if it
    // did not start.
    std::string Pty();
    // Index of the first line at or after `from` that contains `text`.
    std::optional<std::size_t> WaitFor(const std::string& text, std::size_t from = 0,
                                       std::chrono::milliseconds timeout = kPatience);
    std::vector<SimLine> Lines();
    // The newest complete --table, by channel number 1..32.
    std::map<int, ShownGauge> LatestTable();
    // SIGTERM and wait: the program removes its links and closes the pty.
    void Stop();
    pid_t Pid() const { return pid_; }

  private:
    void ReadLoop();

    pid_t pid_ = -1;
    int out_ = -1;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<SimLine> lines_;
    bool ended_ = false;
};

// The library bound by name, as a host binds it.
using Exports = host::LoadedDriver;

// A host's display timer: rates, then the newest result, every 50 ms.
class Host {
  public:
    explicit Host(Exports& x) : x_(x) {}

    struct Reading {
        int32_t value = 0;
        int32_t displacement = 0;
        Clock::time_point at{};
    };

    void Tick();
    // Ticks until `done` holds or the patience runs out.
    bool TickUntil(const std::function<bool()>& done, std::chrono::milliseconds patience = kPatience);
    // Ticks for a while, for checks that something does not happen.
    void TickFor(std::chrono::milliseconds span);

    const int32_t* Rates() const { return rates_; }
    const VexlaDataBlock32& Block() const { return block_; }
    // Latest flagged reading of channel index i, if any ever came.
    std::optional<Reading> Last(int i) const { return last_[i]; }
    bool EverUpdated(int i) const { return last_[i].has_value(); }
    // Flagged readings of the last Tick().
    bool UpdatedNow(int i) const { return block_.updated[i] != 0; }
    bool AnyUpdatedNow() const;

  private:
    Exports& x_;
    VexlaDataBlock32 block_{};
    int32_t rates_[32]{};
    std::optional<Reading> last_[32];
    Clock::time_point next_{};
};

// The configuration folder under a test home, and the file of a segment.
std::string ConfigFile(const std::string& home, int segment = 0);
// Writes an INI text given in UTF-8 as GBK with CR LF line ends.
void WriteConfig(const std::string& path, const std::vector<std::string>& utf8Lines);
// The value of the first key `utf8Key` in the file, if present.
std::optional<std::string> ConfigValue(const std::string& path, const std::string& utf8Key);
std::string ReferenceKey(int index);

// Threads of this process, and its fds that point at a pty.
int ThreadCount();
std::vector<std::string> OpenPtys();

}  // namespace vexla::testing
