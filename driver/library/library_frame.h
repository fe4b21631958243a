#pragma once
// The library's one driver and the platform around it. Every export runs
// its action through RunOnDriver, which serialises it with the driver's own
// events and keeps every exception inside the library.

#include <exception>
#include <mutex>
#include <string>

#include "engine/driver.h"
#include "trace_file.h"

namespace vexla {

Driver& TheDriver();
std::recursive_mutex& DriverMutex();
// Stops whatever the platform runs for the driver once the host has ended
// the application (Linux: joins the driver thread). Called without the mutex.
void AfterEndApplication();

// Nothing may cross into a host that knows nothing of C++; what is stopped
// here goes to the trace.
template <typename Action>
void RunOnDriver(Action&& action) noexcept {
    try {
        const std::lock_guard lock(DriverMutex());
        action(TheDriver());
    } catch (const std::exception& e) {
        TraceLine(std::string("exception stopped at the library's boundary: ") + e.what());
    } catch (...) {
        TraceLine("exception stopped at the library's boundary");
    }
}

}  // namespace vexla
