#pragma once
// File names arrive as UTF-8 on every system (the programs turn Windows' wide
// arguments into UTF-8). A path made from them opens the right file on
// Windows too, where a plain narrow name would be read in the ANSI code page.

#include <filesystem>
#include <string>

namespace vexla::quality {

inline std::filesystem::path Utf8Path(const std::string& name) {
    try {
        return std::filesystem::path(std::u8string(name.begin(), name.end()));
    } catch (const std::exception&) {
        return std::filesystem::path(name);  // not UTF-8 after all: as the bytes stand
    }
}

}  // namespace vexla::quality
