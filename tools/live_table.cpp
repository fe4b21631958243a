// A host of the driver: loads the library by name, and every 50 ms asks for
// the rates and the newest result, as the monitor program does; prints a
// table of the 32 channels twice a second until interrupted or for --seconds.
// --zero makes the displacements start from where the gauges stand.

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "host/driver_library.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;
void OnSignal(int) {
    interrupted = 1;
}

using Driver = vexla::host::DriverFunctions;
using vexla::host::Export;
constexpr Export kUsed[] = {Export::GetNewData32Ch, Export::GetReFlashRate32, Export::Long2String,
                            Export::DLL_End_Application, Export::SetDataZero};

std::string Text(const Driver& d, int32_t value) {
    char buffer[12];
    // One unit is 0.001 mm for the 0.01 mm gauges the demo simulates.
    d.Long2String(value, 3, buffer, sizeof buffer);
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
    vexla::host::DriverLibrary driverLibrary(library);
    const auto bound = driverLibrary.Bind(kUsed);
    if (!bound) {
        std::fprintf(stderr, "vexla_live: %s\n", bound.Failure().Text().c_str());
        return 1;
    }
    const Driver& d = *bound;

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    const bool clear = isatty(STDOUT_FILENO) != 0;
    VexlaDataBlock32 block{};
    int32_t rates[32];
    bool seen[32] = {};
    const auto start = std::chrono::steady_clock::now();
    auto next = start;
    for (int tick = 0; !interrupted; ++tick) {
        d.GetReFlashRate32(rates);
        d.GetNewData32Ch(&block);  // the first call connects the driver
        // Displacements from where the gauges stand now: each channel's next
        // reading becomes its zero point.
        if (zero && tick == 0) d.SetDataZero();
        for (int i = 0; i < 32; ++i) seen[i] = seen[i] || block.updated[i] != 0;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (tick % 10 == 0) PrintTable(d, block, rates, seen, elapsed, clear);
        if (seconds > 0 && elapsed >= seconds) break;
        next += std::chrono::milliseconds(50);
        std::this_thread::sleep_until(next);
    }
    d.DLL_End_Application();
    return 0;
}
