// The library on Linux. There is no host message loop to borrow, so the
// driver runs one thread of its own from the first connect to the end of the
// application: it owns the 50 ms timer and raises the serial component's
// events before each tick. It and every export take the one driver mutex,
// so the engine still sees a single logical thread. Notices go to standard
// error.

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "driver_assembly.h"
#include "library_frame.h"
#include "trace_file.h"

namespace vexla {

std::optional<std::filesystem::path> TraceFilePath() {
    const char* path = std::getenv("VEXLA_TRACE");
    if (path == nullptr || *path == 0) return std::nullopt;
    return std::filesystem::path(path);
}

void TraceToDebugger(std::string_view) {}

std::string PortDeviceName(int32_t portNumber) {
    // Resolved by the serial component: the user's dosdevices link, else ttyS.
    return "COM" + std::to_string(portNumber);
}

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTick = std::chrono::milliseconds(50);

class PosixFrame final : public WindowHost, public Notifier {
  public:
    PosixFrame() : assembly_(*this, *this) {}

    // Unload without the host's final call: stop the thread, close the port.
    ~PosixFrame() override {
        StopThread();
        assembly_.SPCom.ClosePort();
        if (stopFd_ >= 0) close(stopFd_);
    }

    Driver& Instance() { return assembly_.Instance; }
    std::recursive_mutex& Mutex() { return assembly_.Mutex; }

    void StopThread() {
        if (!thread_.joinable()) return;
        const uint64_t one = 1;
        if (write(stopFd_, &one, sizeof one) < 0) {
            // An eventfd write fails only on counter overflow: the thread is
            // woken already.
        }
        thread_.join();
        uint64_t drained = 0;
        if (read(stopFd_, &drained, sizeof drained) < 0) {
            // Nothing to drain.
        }
    }

    void StopIfEnded() {
        if (endRequested_.exchange(false)) StopThread();
    }

    // ---- WindowHost: headless; the thread stands in for window and timer.
    void CreateControlWindow() override {
        if (thread_.joinable()) return;
        if (stopFd_ < 0) stopFd_ = eventfd(0, EFD_CLOEXEC);
        thread_ = std::thread([this] { Run(); });
    }
    void DestroyControlWindow() override { endRequested_ = true; }
    void SetTimerEnabled(bool) override {}  // the thread reads the panel's timer flag
    void PanelChanged() override {}
    void QuitMessageLoop() override {}

    // ---- Notifier
    void ShowMessage(std::string_view text) override {
        std::fprintf(stderr, "Vexla: %.*s\n", static_cast<int>(text.size()), text.data());
    }
    void Beep() override { std::fputs("\a", stderr); }
    void Trace(std::string_view line) override { TraceLine(line); }

  private:
    // The port's events are raised in one batch just before each tick rather
    // than as they come: nothing reads the receive ring between ticks, and a
    // wake-up per received block would cost more than the whole tick.
    void Run() {
        auto next = Clock::now() + kTick;
        for (;;) {
            // Rounded up: a wait rounded down to 0 ms would spin until the tick.
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
            pollfd stop = {stopFd_, POLLIN, 0};
            if (poll(&stop, 1, wait.count() > 0 ? static_cast<int>(wait.count()) : 0) > 0) return;
            const auto now = Clock::now();
            if (now < next) continue;

            const std::lock_guard lock(assembly_.Mutex);
            assembly_.SPCom.CollectReceived();  // what the receive thread's batch still holds back
            assembly_.SPCom.ProcessNotifications();
            Driver& driver = assembly_.Instance;
            if (assembly_.Panel.Model().TimerEnabled) driver.PopUpFormTimerTimer();
            next += kTick;
            // A stalled machine does not get a burst of catch-up ticks.
            if (now - next > 4 * kTick) next = now + kTick;
        }
    }

    DriverAssembly assembly_;
    std::thread thread_;
    int stopFd_ = -1;
    std::atomic<bool> endRequested_{false};
};

PosixFrame& Frame() {
    static PosixFrame frame;
    return frame;
}

}  // namespace

Driver& TheDriver() {
    return Frame().Instance();
}
std::recursive_mutex& DriverMutex() {
    return Frame().Mutex();
}
void AfterEndApplication() {
    Frame().StopIfEnded();
}

}  // namespace vexla
