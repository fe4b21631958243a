#pragma once
// A settings file read whole: limits and control limits are a few lines,
// so a folder, a device or a file over 1 MB is refused rather than read.

#include <string>

#include "base/result.h"

namespace vexla::quality {

// `what` names the file in the message: "the limits file".
Result<std::string> ReadSmallTextFile(const std::string& path, const std::string& what);

}  // namespace vexla::quality
