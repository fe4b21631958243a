#include <cstdio>
#include <thread>

#include "plain_table.h"
#include "terminal_session.h"
#include "ui/terminal/tick_clock.h"

namespace vexla::monitor::terminal {

using ui::terminal::TickClock;

namespace {

bool Print(const Monitor& monitor, double seconds) {
    const std::string table = PlainTable(monitor.model, seconds, &monitor.statistics);
    return std::fwrite(table.data(), 1, table.size(), stdout) == table.size() && std::fflush(stdout) == 0;
}

}  // namespace

bool RunPlain(Monitor& monitor, const RunOptions& options, const volatile std::sig_atomic_t& stop) {
    constexpr int kTicksPerTable = 1000 / MonitorModel::kTimerIntervalMs;
    TickClock clock(std::chrono::milliseconds(MonitorModel::kTimerIntervalMs), options.seconds);
    int tick = 0;
    int printed = -1;
    while (stop == 0 && !clock.Expired()) {
        if (!clock.Due()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(clock.MillisecondsToNextTick()));
            continue;
        }
        ChannelSet ignored;
        monitor.Tick(ignored);
        if (++tick % kTicksPerTable != 0) continue;
        if (!Print(monitor, clock.Elapsed())) return false;
        printed = tick;
    }
    // The last picture also for a run shorter than a second.
    return printed == tick || Print(monitor, clock.Elapsed());
}

}  // namespace vexla::monitor::terminal
