#include <windows.h>

#include "base/win32/system_message.h"
#include "base/win32/wide_text.h"
#include "host/driver_library.h"

namespace vexla::host {

Result<void*> DriverLibrary::Open(const std::string& path) {
    const HMODULE module = LoadLibraryW(Widen(path).c_str());
    if (module == nullptr) return SystemError(path, GetLastError());
    return reinterpret_cast<void*>(module);
}

Result<void*> DriverLibrary::Symbol(void* handle, const char* name) {
    const FARPROC function = GetProcAddress(static_cast<HMODULE>(handle), name);
    if (function == nullptr) return SystemError(name, GetLastError());
    return reinterpret_cast<void*>(function);
}

Status DriverLibrary::Close(void* handle) {
    if (FreeLibrary(static_cast<HMODULE>(handle))) return Done{};
    return SystemError("FreeLibrary", GetLastError());
}

std::string LibraryBesideProgram() {
    return "Vexla.dll";
}

}  // namespace vexla::host
