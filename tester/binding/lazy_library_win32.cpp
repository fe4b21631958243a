#include <windows.h>

#include "binding/lazy_library.h"
#include "win32/system_message.h"
#include "win32/wide_text.h"

namespace vexla::tester {

void* LazyLibrary::Open(const std::string& path, std::string& reason) {
    const HMODULE module = LoadLibraryW(Widen(path).c_str());
    if (module == nullptr) reason = SystemMessage(GetLastError());
    return reinterpret_cast<void*>(module);
}

void* LazyLibrary::Find(void* handle, const char* name, std::string& reason) {
    const FARPROC function = GetProcAddress(static_cast<HMODULE>(handle), name);
    if (function == nullptr) reason = SystemMessage(GetLastError());
    return reinterpret_cast<void*>(function);
}

void LazyLibrary::Close(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}

std::string DefaultDriverLibrary() {
    return "Vexla.dll";
}

}  // namespace vexla::tester
