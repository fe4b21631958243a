// The parts of disk access that std::filesystem does the same on every
// platform; the replace step and the folder are in disk_<platform>.cpp.

#include "disk_config_fs.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "disk_paths.h"

namespace vexla {

namespace fs = std::filesystem;

namespace {

std::error_code LastErrno() {
    return {errno != 0 ? errno : EIO, std::generic_category()};
}

}  // namespace

fs::path PathFromUtf8(const std::string& utf8) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

bool DiskConfigFileSystem::FolderExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(PathFromUtf8(path), ec);
}

std::error_code DiskConfigFileSystem::CreateFolder(const std::string& path) {
    // Parents too: on Linux the config home itself may not exist yet in a
    // fresh account (on Windows the parent is the drive's root).
    std::error_code ec;
    fs::create_directories(PathFromUtf8(path), ec);
    if (ec) return ec;
    if (!fs::is_directory(PathFromUtf8(path), ec)) return ec ? ec : std::make_error_code(std::errc::not_a_directory);
    return {};
}

FileRead DiskConfigFileSystem::ReadContents(const std::string& path) {
    const fs::path p = PathFromUtf8(path);
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (st.type() == fs::file_type::not_found) return {FileRead::Missing, {}, {}};
    if (ec) return {FileRead::Failed, {}, ec};
    if (st.type() == fs::file_type::directory)
        return {FileRead::Failed, {}, std::make_error_code(std::errc::is_a_directory)};
    if (st.type() != fs::file_type::regular)
        return {FileRead::Failed, {}, std::make_error_code(std::errc::invalid_argument)};

    // The streams keep the system's reason only in errno.
    errno = 0;
    std::ifstream in(p, std::ios::binary);
    if (!in) return {FileRead::Failed, {}, LastErrno()};
    FileRead r{FileRead::Ok, {}, {}};
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        r.bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return {FileRead::Failed, {}, LastErrno()};
    return r;
}

}  // namespace vexla
