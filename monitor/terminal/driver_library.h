#pragma once
// The driver library bound at run time with dlopen/dlsym, as any host of it
// does: the monitor names the file, and a file that is missing or lacks an
// export is reported by name instead of failing at the first call.

#include <memory>
#include <string>

#include "model/monitor_driver.h"

namespace vexla::monitor::terminal {

class DriverLibrary {
  public:
    // An empty error: loaded and every export found.
    static std::unique_ptr<DriverLibrary> Open(const std::string& path, std::string& error);
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    const DriverExports& Exports() const { return exports_; }

  private:
    explicit DriverLibrary(void* handle) : handle_(handle) {}
    void* handle_;
    DriverExports exports_;
};

// libVexla.so in the folder of the running program when it is there (a
// build, an unpacked archive), else the bare name for the system's search
// (an installed package).
std::string LibraryBesideProgram();

}  // namespace vexla::monitor::terminal
