// The configuration folder and the atomic replace on POSIX systems.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "config_test_support.h"
#include "disk_config_fs.h"

namespace vexla {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// Sets or unsets an environment variable for the scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(ConfigFolderPath, FollowsTheXdgConfigHome) {
    const struct {
        const char* xdg;
        const char* home;
        std::string expected;
    } cases[] = {
        {"/x/conf", "/home/u", "/x/conf/系统配置"},
        {nullptr, "/home/u", "/home/u/.config/系统配置"},
        {"", "/home/u", "/home/u/.config/系统配置"},
        {"relative/conf", "/home/u", "/home/u/.config/系统配置"},  // invalid by the XDG rules
    };
    for (const auto& c : cases) {
        ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(ConfigFolderPath(), c.expected) << (c.xdg ? c.xdg : "(unset)");
    }
}

TEST(DiskReplace, AFailedWriteLeavesThePreviousFileWhole) {
    TempFolder temp;
    const fs::path file = temp.path() / "c.txt";
    WriteBytes(file, "previous");
    DiskConfigFileSystem disk;

    // A file size limit makes the write itself fail part way.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::error_code error = disk.ReplaceContents(file.string(), std::string(100000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(error, std::errc::file_too_large) << error.message();
    EXPECT_EQ(ReadBytes(file), "previous");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 1) << "no temporary left";
}

TEST(DiskReplace, KeepsPermissionsAndWritesThroughALink) {
    TempFolder temp;
    const fs::path real = temp.path() / "real.txt";
    const fs::path link = temp.path() / "link.txt";
    WriteBytes(real, "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real, link);
    DiskConfigFileSystem disk;

    ASSERT_FALSE(disk.ReplaceContents(link.string(), "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(real), "new");
    EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
}  // namespace vexla
