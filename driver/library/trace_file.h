#pragma once
// The diagnostic trace: off unless the environment variable VEXLA_TRACE
// names a file, then one line per event appended to it, with the time. It is
// a switch for looking into a problem, not a setting: nothing else reads it.

#include <filesystem>
#include <optional>
#include <string_view>

namespace vexla {

// Writes one line (UTF-8, without its line end); never throws.
void TraceLine(std::string_view utf8Line);

// Per platform: the file VEXLA_TRACE names, and the debugger output every
// line also goes to (Windows; nothing on Linux).
std::optional<std::filesystem::path> TraceFilePath();
void TraceToDebugger(std::string_view utf8Line);

}  // namespace vexla
