#include <windows.h>

#include <system_error>

#include "base/win32/system_message.h"
#include "base/win32/wide_text.h"
#include "host/driver_library.h"

namespace vexla::host {

namespace {

Error SystemError(const std::string& what) {
    const DWORD code = GetLastError();
    return Error{what, SystemMessage(code), std::error_code(static_cast<int>(code), std::system_category())};
}

}  // namespace

Result<void*> DriverLibrary::Open(const std::string& path) {
    const HMODULE module = LoadLibraryW(Widen(path).c_str());
    if (module == nullptr) return SystemError(path);
    return reinterpret_cast<void*>(module);
}

Result<void*> DriverLibrary::Symbol(void* handle, const char* name) {
    const FARPROC function = GetProcAddress(static_cast<HMODULE>(handle), name);
    if (function == nullptr) return SystemError(name);
    return reinterpret_cast<void*>(function);
}

Status DriverLibrary::Close(void* handle) {
    if (FreeLibrary(static_cast<HMODULE>(handle))) return Done{};
    return SystemError("FreeLibrary");
}

std::string LibraryBesideProgram() {
    return "Vexla.dll";
}

}  // namespace vexla::host
