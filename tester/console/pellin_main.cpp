// pellin: the driver's test program on a Linux console. Binds each driver
// function by name at its first call, as the Windows program does, runs the
// program's 50 ms timer and its buttons on this one thread, and prints the
// 96 boxes as a table.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/posix/stop_signals.h"
#include "host/lazy_driver.h"
#include "pellin_console.h"
#include "tester/model/basic_number.h"
#include "tester/model/tester_texts.h"

namespace {

namespace console = vexla::tester::console;
namespace texts = vexla::tester::texts;
using vexla::tester::TesterModel;
using Clock = std::chrono::steady_clock;

// Set by SIGINT, SIGTERM or SIGHUP once main has caught them.
const volatile std::sig_atomic_t* stopRequested = nullptr;

// A standard descriptor that is closed would be the next file opened: the
// driver's serial port could become the input or the table's output.
void KeepStandardDescriptorsTaken() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) ::open("/dev/null", O_RDWR);
}

// Thrown by the missing-function handler: nothing of the driver is on the
// stack then (the lookup comes before the call), so it unwinds to main.
struct Unbound {
    std::string what;
    std::string reason;
};

bool Write(const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
}

// What a command did, on the table's output between two tables.
void Report(const std::string& text) {
    Write("> " + text + "\n");
}

void ChannelCommand(TesterModel& model, const console::Command& command) {
    const bool displacement = command.kind == console::CommandKind::ZeroChannelDisplacement;
    const auto channel = vexla::tester::ChannelIndexFromText(command.text);
    if (!channel) {
        Report(std::string(displacement ? "3 " : "4 ") + command.text + ": no channel 1..32, nothing sent");
        return;
    }
    if (displacement)
        model.Command3(command.text);
    else
        model.Command4(command.text);
    Report(std::to_string(*channel + 1) +
           std::string(displacement ? texts::kZeroChannelDisplacement : texts::kZeroChannelGauge));
}

// False for q.
bool Obey(TesterModel& model, const console::LineSplitter::Line& line) {
    if (line.tooLong) {
        std::fprintf(stderr, "pellin: a line of more than %zu bytes ignored\n", console::LineSplitter::kMaxLine);
        return true;
    }
    const console::Command command = console::ParseCommand(line.text);
    switch (command.kind) {
        case console::CommandKind::None:
            break;
        case console::CommandKind::ZeroAllDisplacements:
            model.Command1();
            Report(std::string(texts::kZeroAllDisplacements));
            break;
        case console::CommandKind::ZeroAllGauges:
            model.Command2();
            Report(std::string(texts::kZeroAllGauges));
            break;
        case console::CommandKind::ZeroChannelDisplacement:
        case console::CommandKind::ZeroChannelGauge:
            ChannelCommand(model, command);
            break;
        case console::CommandKind::ToggleGaugeType:
            model.SetThousandth(!model.Thousandth());
            Report(std::string(model.Thousandth() ? texts::kThousandth : texts::kPercent));
            break;
        case console::CommandKind::Quit:
            return false;
        case console::CommandKind::Unknown:
            std::fprintf(stderr, "pellin: unknown command \"%s\" (1, 2, 3 N, 4 N, t or q)\n", command.text.c_str());
            break;
    }
    return true;
}

class Input {
  public:
    Input(TesterModel& model, bool quitOnEof) : model_(model), quitOnEof_(quitOnEof) {}

    // Waits for a line or the timeout; false once the user asked to quit.
    bool Wait(int timeoutMs) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, open_ ? 1 : 0, timeoutMs);
        if (ready <= 0) return true;  // the time is up, or a signal came
        if ((input.revents & POLLNVAL) != 0) return Ended("standard input is not open");
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) return true;
        if (got < 0) return Ended(std::strerror(errno));
        lines_.clear();
        if (got > 0) {
            splitter_.Feed(std::string_view(buffer, static_cast<std::size_t>(got)), lines_);
            return ObeyLines();
        }
        if (auto last = splitter_.Finish()) lines_.push_back(std::move(*last));
        return ObeyLines() && Ended(nullptr);
    }

  private:
    bool ObeyLines() {
        for (const auto& line : lines_)
            if (!Obey(model_, line)) return false;
        return true;
    }

    bool Ended(const char* error) {
        if (error != nullptr) std::fprintf(stderr, "pellin: standard input: %s; no more commands\n", error);
        open_ = false;
        return !quitOnEof_;
    }

    TesterModel& model_;
    bool quitOnEof_;
    bool open_ = true;
    console::LineSplitter splitter_;
    std::vector<console::LineSplitter::Line> lines_;
};

int MillisecondsUntil(Clock::time_point when) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, TesterModel::kTimerIntervalMs));
}

// The timer, the tables and the commands until the end; false when the
// table could not be written.
bool Run(TesterModel& model, const console::Options& options) {
    using std::chrono::duration;
    using std::chrono::duration_cast;
    const auto interval = std::chrono::milliseconds(TesterModel::kTimerIntervalMs);
    const auto start = Clock::now();
    const auto end = start + duration_cast<Clock::duration>(duration<double>(options.seconds));
    // At most one table a tick.
    const auto printInterval =
        std::max<Clock::duration>(duration_cast<Clock::duration>(duration<double>(options.printEvery)), interval);
    const auto elapsed = [&] { return duration<double>(Clock::now() - start).count(); };
    auto nextTick = start;
    auto nextPrint = start;
    Input input(model, options.quitOnEof);
    while (*stopRequested == 0) {
        const auto now = Clock::now();
        if (options.seconds > 0 && now >= end) break;
        if (now >= nextTick) {
            model.Timer1Timer();
            // A late tick does not bring a burst of others.
            nextTick += interval;
            if (nextTick <= now) nextTick = now + interval;
        }
        if (options.printEvery > 0 && now >= nextPrint) {
            if (!Write(console::Table(model, elapsed()))) return false;
            nextPrint += printInterval;
            if (nextPrint <= now) nextPrint = now + printInterval;
        }
        auto wake = nextTick;
        if (options.printEvery > 0) wake = std::min(wake, nextPrint);
        if (options.seconds > 0) wake = std::min(wake, end);
        if (!input.Wait(MillisecondsUntil(wake))) break;
    }
    return Write(console::Table(model, elapsed()));
}

}  // namespace

int main(int argc, char** argv) {
    KeepStandardDescriptorsTaken();
    const auto parsed = console::ParseOptions(argc, argv, vexla::host::LibraryBesideProgram());
    if (!parsed) {
        std::fprintf(stderr, "pellin: %s\n%s", parsed.Failure().reason.c_str(), console::kUsage);
        return 2;
    }
    if (parsed->help) {
        std::fputs(console::kUsage, stdout);
        return 0;
    }
    const console::Options& options = parsed->options;
    stopRequested = &vexla::CatchStopSignals();

    bool quiet = false;
    bool endUnbound = false;
    vexla::host::LazyDriver driver(options.library, [&](const std::string& what, const std::string& reason) {
        if (!quiet) throw Unbound{what, reason};
        endUnbound = true;
    });
    TesterModel model(driver);
    model.SetThousandth(options.thousandth);
    bool written = false;
    try {
        model.Load();
        written = Run(model, options);
        model.Unload();
    } catch (const Unbound& unbound) {
        std::fprintf(stderr, "pellin: cannot bind %s: %s\n", unbound.what.c_str(), unbound.reason.c_str());
        // A driver that was running is ended before its library goes.
        quiet = true;
        if (driver.Library().Loaded()) model.Unload();
        if (endUnbound) {
            // Not our driver, or not all of it: whatever it started may still
            // run, so the library stays mapped to the end.
            std::fflush(nullptr);
            std::_Exit(2);
        }
        return 2;
    }
    if (!written) {
        std::fputs("pellin: the table could not be written\n", stderr);
        return 1;
    }
    return 0;
}
