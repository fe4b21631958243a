#include "small_text_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "utf8_path.h"

namespace vexla::quality {

Result<std::string> ReadSmallTextFile(const std::string& path, const std::string& what) {
    constexpr std::uintmax_t kLargest = 1 << 20;
    std::error_code ec;
    const std::filesystem::path file = Utf8Path(path);
    if (!std::filesystem::is_regular_file(file, ec) || std::filesystem::file_size(file, ec) > kLargest || ec) {
        return Error{{}, "cannot read " + what + " " + path + " (not a file of at most 1 MB)", ec};
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) return Error{{}, "cannot read " + what + " " + path};
    return text.str();
}

}  // namespace vexla::quality
