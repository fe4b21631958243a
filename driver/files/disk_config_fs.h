#pragma once
// The configuration file on the real disk, and the folder it lives in.

#include <string>
#include <string_view>

#include "channels/config_file.h"

namespace vexla {

class DiskConfigFileSystem final : public ConfigFileSystem {
  public:
    bool FolderExists(const std::string& path) override;
    std::error_code CreateFolder(const std::string& path) override;
    FileRead ReadContents(const std::string& path) override;
    // Writes a temporary file beside the target, flushes it to the disk and
    // renames it over the target. A read-only target is refused (permission
    // denied), as the profile functions refuse it.
    std::error_code ReplaceContents(const std::string& path, std::string_view bytes) override;
};

// Windows: C:\系统配置. Linux: ${XDG_CONFIG_HOME:-$HOME/.config}/系统配置.
// UTF-8; empty when there is no home to put it in.
std::string ConfigFolderPath();

}  // namespace vexla
