// The replace step and the folder on POSIX systems.

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "disk_config_fs.h"
#include "disk_paths.h"

namespace vexla {

namespace {

namespace fs = std::filesystem;

std::error_code Errno() {
    return {errno, std::generic_category()};
}

class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Close(); }
    int get() const { return fd_; }
    std::error_code Close() {
        const int fd = fd_;
        fd_ = -1;
        if (fd < 0 || ::close(fd) == 0) return {};
        return Errno();
    }

  private:
    int fd_;
};

std::error_code WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Errno();
        if (n == 0) return std::make_error_code(std::errc::no_space_on_device);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

std::atomic<unsigned> tempCounter{0};

}  // namespace

std::error_code DiskConfigFileSystem::ReplaceContents(const std::string& path, std::string_view bytes) {
    fs::path target = PathFromUtf8(path);
    std::error_code ec;
    // Replace what a link points to, not the link.
    if (fs::is_symlink(target, ec)) {
        target = fs::weakly_canonical(target, ec);
        if (ec) return ec;
    }

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    if (exists && (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0))
        return std::make_error_code(std::errc::permission_denied);  // read-only stays

    int fd = -1;
    fs::path temp;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        // Built by appends: GCC 12 at -O2/-O3 warns falsely (-Wrestrict) on "." + string.
        std::string suffix = ".";
        suffix += std::to_string(::getpid());
        suffix += '.';
        suffix += std::to_string(tempCounter++);
        suffix += ".tmp";
        temp = target;
        temp += suffix;
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return Errno();
    }
    if (fd < 0) return std::make_error_code(std::errc::file_exists);
    UniqueFd file(fd);

    // The new file keeps the old one's permissions; a new one gets the umask's.
    std::error_code error = WriteAll(file.get(), bytes);
    if (!error && exists && ::fchmod(file.get(), old.st_mode & 07777) != 0) error = Errno();
    if (!error && ::fsync(file.get()) != 0) error = Errno();
    if (const std::error_code closed = file.Close(); !error) error = closed;
    if (!error && ::rename(temp.c_str(), target.c_str()) != 0) error = Errno();
    if (error) {
        ::unlink(temp.c_str());
        return error;
    }
    // Make the rename itself durable.
    if (const int dir = ::open(target.parent_path().empty() ? "." : target.parent_path().c_str(),
                               O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

std::string ConfigFolderPath() {
    // Relative values are invalid by the XDG rules and ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return std::string(xdg) + "/系统配置";
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir) {
        home = pw->pw_dir;
    } else {
        return {};
    }
    return home + "/.config/系统配置";
}

}  // namespace vexla
