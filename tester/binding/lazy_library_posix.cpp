#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#include "binding/lazy_library.h"

namespace vexla::tester {

void* LazyLibrary::Open(const std::string& path, std::string& reason) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) reason = dlerror();
    return handle;
}

void* LazyLibrary::Find(void* handle, const char* name, std::string& reason) {
    dlerror();
    void* function = dlsym(handle, name);
    if (function == nullptr) {
        const char* error = dlerror();
        reason = error != nullptr ? error : "not exported";
    }
    return function;
}

void LazyLibrary::Close(void* handle) {
    dlclose(handle);
}

std::string DefaultDriverLibrary() {
    std::error_code ec;
    const std::filesystem::path beside =
        std::filesystem::read_symlink("/proc/self/exe", ec).parent_path() / "libVexla.so";
    return !ec && std::filesystem::exists(beside, ec) ? beside.string() : "libVexla.so";
}

}  // namespace vexla::tester
