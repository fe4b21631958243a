#include <windows.h>

#include <stdexcept>

#include "gbk_convert.h"

namespace vexla::testing {

std::string Gbk(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int wide = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, w.data(), wide);
    BOOL lossy = FALSE;
    const int bytes = ::WideCharToMultiByte(936, 0, w.data(), wide, nullptr, 0, nullptr, &lossy);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(936, 0, w.data(), wide, out.data(), bytes, nullptr, &lossy);
    if (wide == 0 || bytes == 0 || lossy) throw std::runtime_error("not convertible to GBK");
    return out;
}

}  // namespace vexla::testing
