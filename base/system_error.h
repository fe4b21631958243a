#pragma once
// A failure the C library reported through errno, as an Error: the
// system's words for it and its code.

#include <string>

#include "base/result.h"

namespace vexla {

// what: "cannot open /dev/ttyUSB0"; the reason is the system's, e.g.
// "No such file or directory".
Error ErrnoError(std::string what, int error);

}  // namespace vexla
