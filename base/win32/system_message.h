#pragma once
// The system's own words for a Windows error code, in UTF-8:
// "error 2: The system cannot find the file specified."

#include <windows.h>

#include <string>
#include <system_error>
#include <utility>

#include "base/result.h"
#include "base/win32/wide_text.h"

namespace vexla {

inline std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::string message = "error " + std::to_string(error);
    if (length > 0 && text != nullptr) {
        std::wstring wide(text, length);
        while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ')) wide.pop_back();
        message += ": ";
        message += Narrow(wide);
    }
    if (text != nullptr) LocalFree(text);
    return message;
}

// A failed call as an Error: its words above and GetLastError's code.
inline Error SystemError(std::string what, DWORD error) {
    return Error{std::move(what), SystemMessage(error),
                 std::error_code(static_cast<int>(error), std::system_category())};
}

}  // namespace vexla
