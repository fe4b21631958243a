#include <windows.h>

#include "binding/lazy_library.h"
#include "win32/wide_text.h"

namespace vexla::tester {

namespace {

std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::string message = "error " + std::to_string(error);
    if (length > 0 && text != nullptr) {
        std::wstring wide(text, length);
        while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ')) wide.pop_back();
        const int n =
            WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
        message += ": " + utf8;
    }
    if (text != nullptr) LocalFree(text);
    return message;
}

}  // namespace

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

}  // namespace vexla::tester
