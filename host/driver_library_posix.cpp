#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#include "host/driver_library.h"

namespace vexla::host {

Result<void*> DriverLibrary::Open(const std::string& path) {
    // RTLD_NOW: an unresolved symbol inside the library shows here, not in
    // the middle of a run.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr) return handle;
    const char* raw = ::dlerror();
    std::string why = raw != nullptr ? raw : "unknown error";
    // dlerror names the file first ("PATH: cannot open ..."); once is enough.
    if (why.rfind(path + ": ", 0) == 0) why.erase(0, path.size() + 2);
    return Error{path, why};
}

Result<void*> DriverLibrary::Symbol(void* handle, const char* name) {
    ::dlerror();
    void* function = ::dlsym(handle, name);
    if (function != nullptr) return function;
    const char* why = ::dlerror();
    return Error{name, why != nullptr ? why : "not exported"};
}

Status DriverLibrary::Close(void* handle) {
    if (::dlclose(handle) == 0) return Done{};
    const char* why = ::dlerror();
    return Error{"dlclose", why != nullptr ? why : "unknown error"};
}

std::string LibraryBesideProgram() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const std::filesystem::path beside = program.parent_path() / "libVexla.so";
        if (std::filesystem::exists(beside, ec)) return beside.string();
    }
    return "libVexla.so";
}

}  // namespace vexla::host
