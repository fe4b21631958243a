#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#include "driver_library.h"

namespace vexla::monitor::terminal {

namespace {

template <typename F>
void Bind(void* handle, const char* name, F& f) {
    f = reinterpret_cast<F>(::dlsym(handle, name));
}

}  // namespace

std::unique_ptr<DriverLibrary> DriverLibrary::Open(const std::string& path, std::string& error) {
    // RTLD_NOW: an unresolved symbol inside the library shows here, not in
    // the middle of the monitor's run.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        error = "cannot load the driver library " + path + ": " + (why != nullptr ? why : "unknown error");
        return nullptr;
    }
    std::unique_ptr<DriverLibrary> library(new DriverLibrary(handle));
    DriverExports& x = library->exports_;
    Bind(handle, "SetNetSegment", x.SetNetSegment);
    Bind(handle, "GetReFlashRate32", x.GetReFlashRate32);
    Bind(handle, "GetNewData32Ch", x.GetNewData32Ch);
    Bind(handle, "Long2String", x.Long2String);
    Bind(handle, "SetDataZero", x.SetDataZero);
    Bind(handle, "SetDataZeroCh", x.SetDataZeroCh);
    Bind(handle, "SetHardWareZeroCh", x.SetHardWareZeroCh);
    Bind(handle, "CtrlFirmWare", x.CtrlFirmWare);
    Bind(handle, "ShowCtrlForm", x.ShowCtrlForm);
    Bind(handle, "HideCtrlForm", x.HideCtrlForm);
    Bind(handle, "DLL_End_Application", x.DLL_End_Application);
    if (const char* missing = x.FirstMissing()) {
        error = "the driver library " + path + " has no function " + missing;
        return nullptr;
    }
    error.clear();
    return library;
}

DriverLibrary::~DriverLibrary() {
    ::dlclose(handle_);
}

std::string LibraryBesideProgram() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const std::filesystem::path beside = program.parent_path() / "libVexla.so";
        if (std::filesystem::exists(beside, ec)) return beside.string();
    }
    return "libVexla.so";  // installed: the system's library search finds it
}

}  // namespace vexla::monitor::terminal
