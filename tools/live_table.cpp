// A host of the driver: loads the library by name, and every 50 ms asks for
// the rates and the newest result, as the monitor program does; prints a
// table of the 32 channels twice a second until interrupted or for --seconds.
// --zero makes the displacements start from where the gauges stand.

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "vexla.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;
void OnSignal(int) {
    interrupted = 1;
}

struct Driver {
    decltype(&::GetNewData32Ch) getNewData32Ch = nullptr;
    decltype(&::GetReFlashRate32) getReFlashRate32 = nullptr;
    decltype(&::Long2String) long2String = nullptr;
    decltype(&::DLL_End_Application) end = nullptr;
    decltype(&::SetDataZero) setDataZero = nullptr;
};

template <typename F>
bool Bind(void* library, const char* name, F& f) {
    f = reinterpret_cast<F>(dlsym(library, name));
    if (f == nullptr) std::fprintf(stderr, "vexla_live: %s is missing from the library\n", name);
    return f != nullptr;
}

std::string Text(const Driver& d, int32_t value) {
    char buffer[12];
    // One unit is 0.001 mm for the 0.01 mm gauges the demo simulates.
    d.long2String(value, 3, buffer, sizeof buffer);
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

void PrintTable(const Driver& d, const VexlaDataBlock32& block, const int32_t (&rates)[32], const bool (&seen)[32],
                double elapsed, bool clear) {
    if (clear) std::fputs("\x1b[H\x1b[2J", stdout);
    std::printf("Vexla live table   %.1f s   (Ctrl-C ends)\n", elapsed);
    std::printf(" ch      value mm  displacement mm    rate/s\n");
    for (int i = 0; i < 32; ++i) {
        const std::string rate =
            rates[i] < 0 ? "   -" : std::to_string(rates[i] / 10) + "." + std::to_string(rates[i] % 10);
        if (!seen[i]) {
            std::printf(" %2d   %11s  %15s  %8s\n", i + 1, "-------", "-------", rate.c_str());
            continue;
        }
        std::printf(" %2d   %11s  %15s  %8s%s\n", i + 1, Text(d, block.value[i]).c_str(),
                    Text(d, block.displacement[i]).c_str(), rate.c_str(), block.updated[i] ? "" : "  (held)");
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::string library = VEXLA_DEFAULT_LIBRARY;
    double seconds = 0;
    bool zero = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--library" && i + 1 < argc) {
            library = argv[++i];
        } else if (arg == "--zero") {
            zero = true;
        } else if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: vexla_live [--library PATH] [--seconds N] [--zero]\n");
            return 2;
        }
    }
    void* handle = dlopen(library.c_str(), RTLD_NOW);
    if (handle == nullptr) {
        std::fprintf(stderr, "vexla_live: %s\n", dlerror());
        return 1;
    }
    Driver d;
    if (!Bind(handle, "GetNewData32Ch", d.getNewData32Ch) || !Bind(handle, "GetReFlashRate32", d.getReFlashRate32) ||
        !Bind(handle, "Long2String", d.long2String) || !Bind(handle, "DLL_End_Application", d.end) ||
        !Bind(handle, "SetDataZero", d.setDataZero))
        return 1;

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    const bool clear = isatty(STDOUT_FILENO) != 0;
    VexlaDataBlock32 block{};
    int32_t rates[32];
    bool seen[32] = {};
    const auto start = std::chrono::steady_clock::now();
    auto next = start;
    for (int tick = 0; !interrupted; ++tick) {
        d.getReFlashRate32(rates);
        d.getNewData32Ch(&block);  // the first call connects the driver
        // Displacements from where the gauges stand now: each channel's next
        // reading becomes its zero point.
        if (zero && tick == 0) d.setDataZero();
        for (int i = 0; i < 32; ++i) seen[i] = seen[i] || block.updated[i] != 0;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (tick % 10 == 0) PrintTable(d, block, rates, seen, elapsed, clear);
        if (seconds > 0 && elapsed >= seconds) break;
        next += std::chrono::milliseconds(50);
        std::this_thread::sleep_until(next);
    }
    d.end();
    dlclose(handle);
    return 0;
}
