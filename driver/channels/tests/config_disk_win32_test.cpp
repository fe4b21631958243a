// The configuration folder on Windows.

#include <gtest/gtest.h>

#include "disk_config_fs.h"

namespace vexla {
namespace {

TEST(ConfigFolderPath, IsTheFixedFolderOnDriveC) {
    EXPECT_EQ(ConfigFolderPath(), "C:\\系统配置");
}

}  // namespace
}  // namespace vexla
