#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "base/posix/stop_signals.h"
#include "recorder/platform/run_control.h"

namespace vexla::recorder {

namespace {

const volatile std::sig_atomic_t* stopRequested = nullptr;

}  // namespace

LocalTime LocalNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    LocalTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second reads as the one before
    t.millisecond = static_cast<int>(now.tv_nsec / 1000000);
    t.utcOffsetMinutes = static_cast<int>(local.tm_gmtoff / 60);
    return t;
}

int64_t SteadyMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void CatchStopRequests() {
    stopRequested = &CatchStopSignals();
}

bool StopRequested() {
    return stopRequested != nullptr && *stopRequested != 0;
}

void WaitUntil(int64_t deadline) {
    while (!StopRequested()) {
        const int64_t left = deadline - SteadyMilliseconds();
        if (left <= 0) return;
        timespec pause{static_cast<time_t>(left / 1000), static_cast<long>((left % 1000) * 1000000)};
        ::nanosleep(&pause, nullptr);  // a signal ends it early
    }
}

bool ErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

}  // namespace vexla::recorder
