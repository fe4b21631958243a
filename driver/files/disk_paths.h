#pragma once
// Helpers shared by the disk files.

#include <filesystem>
#include <string>

namespace vexla {

std::filesystem::path PathFromUtf8(const std::string& utf8);

}  // namespace vexla
