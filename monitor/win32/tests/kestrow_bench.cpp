// kestrow_bench: what one tick of the monitor costs its GUI thread when all
// 32 channels changed: the model's refresh (96 texts through the driver's
// Long2String) and the grid's update and paint. Prints the mean, median and
// worst of 400 ticks.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "monitor/tests/streaming_driver.h"
#include "monitor/win32/main_unit_win32.h"

namespace {

using Clock = std::chrono::steady_clock;

void FormatWithTheDriver(int32_t value, uint32_t decimals, char* buffer, uint32_t length) {
    Long2String(value, decimals, buffer, length);
}

}  // namespace

int main() {
    vexla::monitor::testing::StreamingDriver driver(&FormatWithTheDriver);
    vexla::monitor::TMainform form(driver);
    if (form.Handle() == nullptr) return 1;
    ShowWindow(form.Handle(), SW_SHOWNOACTIVATE);
    UpdateWindow(form.Handle());

    constexpr int kTicks = 400;
    std::vector<double> us, refreshOnly;
    for (int tick = 0; tick < kTicks; ++tick) {
        const auto start = Clock::now();
        form.Timer1Timer();
        refreshOnly.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        RedrawWindow(form.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    auto report = [](const char* what, std::vector<double>& times) {
        double sum = 0;
        for (double v : times) sum += v;
        std::sort(times.begin(), times.end());
        std::printf("%-50s mean %7.1f us, median %7.1f us, worst %7.1f us\n", what, sum / times.size(),
                    times[times.size() / 2], times.back());
    };
    report("tick, 32 channels changed (96 cells), painted:", us);
    report("  of which the refresh without painting:", refreshOnly);
    return 0;
}
