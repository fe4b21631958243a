#include <windows.h>

#include "library_loader.h"

namespace vexla::testing {

LoadedLibrary::LoadedLibrary(const std::string& file) {
    handle_ = reinterpret_cast<void*>(LoadLibraryA(file.c_str()));
    if (handle_ == nullptr) error_ = "LoadLibrary failed with error " + std::to_string(GetLastError());
}

LoadedLibrary::~LoadedLibrary() {
    if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
}

void* LoadedLibrary::Symbol(const char* name) const {
    return handle_ ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name)) : nullptr;
}

}  // namespace vexla::testing
