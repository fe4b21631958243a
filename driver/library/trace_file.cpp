#include "trace_file.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <mutex>

namespace vexla {
namespace {

// "2026-12-08 11:20:01.123" in UTC.
std::string Now() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm parts{};
    if (const std::tm* utc = std::gmtime(&seconds)) parts = *utc;  // under the trace's lock
    char text[64];                                                 // room for any int the fields could hold
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(ms));
    return text;
}

}  // namespace

void TraceLine(std::string_view line) {
    try {
        static std::mutex lock;
        const std::lock_guard guard(lock);
        TraceToDebugger(line);
        static const std::optional<std::filesystem::path> file = TraceFilePath();
        if (!file) return;
        // Opened for each line (a line a second at most in normal running):
        // a file moved or deleted while the library runs is simply started
        // again.
        std::ofstream out(*file, std::ios::app | std::ios::binary);
        out << Now() << ' ' << line << '\n';
    } catch (...) {
        // The trace never disturbs the driver.
    }
}

}  // namespace vexla
