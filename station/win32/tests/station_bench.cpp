// station_bench: what the station's GUI thread spends on one tick with all
// 32 tiles changed (the model taking the driver's results, the tiles'
// texts and their painting), and on a capture until its verdict is on the
// screen (the part judged, its row written and synced to the day's file,
// the verdict painted). Prints the mean, median and worst of each.
//
// It binds Vexla.dll beside it but never polls it: the readings are made
// up here, so no gauges and no COM port are needed.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/win32/wide_text.h"
#include "station/model/station_session.h"
#include "station_window_win32.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void Report(const char* what, std::vector<double>& times) {
    double sum = 0;
    for (double v : times) sum += v;
    std::sort(times.begin(), times.end());
    std::printf("%-52s mean %8.1f us, median %8.1f us, worst %8.1f us\n", what, sum / times.size(),
                times[times.size() / 2], times.back());
}

}  // namespace

int main() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::filesystem::path folder =
        std::filesystem::path(temp) / (L"vexla-station-bench-" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    std::string limits;
    for (int c = 1; c <= 32; ++c) limits += std::to_string(c) + ", 0, -0.05, 0.05\n";
    std::ofstream(folder / L"limits.txt", std::ios::binary) << limits;
    std::ofstream(folder / L"station.ini", std::ios::binary)
        << "[station]\nsegment = 73\nchannels = 1-32\nlimits = " << vexla::Narrow((folder / L"limits.txt").wstring())
        << "\nrecords = " << vexla::Narrow((folder / L"records").wstring()) << "\nmaster_interval_h = 0\n";

    int result = 0;
    {
        vexla::station::StationSession session({vexla::Narrow((folder / L"station.ini").wstring()), ""});
        vexla::station::StationWindow window(session);
        if (window.Handle() == nullptr || !session.Start()) {
            std::fprintf(stderr, "station_bench: no window, or no Vexla.dll beside it\n");
            return 1;
        }
        // Shown and painted once; only its paints are ever taken from its
        // queue, so its own timer and start-up never run.
        ShowWindow(window.Handle(), SW_SHOWNOACTIVATE);
        UpdateWindow(window.Handle());
        // What the message loop paints: the windows with something to paint, and only those.
        const auto paint = [] {
            MSG message;
            while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&message);
        };

        constexpr int kTicks = 400;
        int32_t rates[32];
        VexlaDataBlock32 block{};
        std::vector<double> ticks, refreshOnly;
        for (int tick = 0; tick < kTicks; ++tick) {
            // Every gauge moves by a digit each tick, across green, amber and red.
            for (int i = 0; i < 32; ++i) {
                block.value[i] = block.displacement[i] =
                    ((tick + i) % 13 - 6) * 10;  // hundredths, in the driver's tenth of a digit
                block.updated[i] = -1;
                rates[i] = 50;
            }
            const auto start = Clock::now();
            const uint32_t changed = session.Model().Take(rates, block);
            window.Refresh(changed);
            refreshOnly.push_back(Since(start));
            paint();
            ticks.push_back(Since(start));
            if (changed != 0xFFFFFFFFu) {
                std::printf("tick %d changed %08x\n", tick, static_cast<unsigned>(changed));
                result = 1;  // not the case measured
            }
        }

        constexpr int kParts = 100;
        std::vector<double> verdicts, whole;
        for (int part = 0; part < kParts; ++part) {
            for (int i = 0; i < 32; ++i)
                block.value[i] = block.displacement[i] = ((part % 4 == 0 && i == 5) ? 9 : i % 5) * 10;
            session.Model().Take(rates, block);
            const auto start = Clock::now();
            window.Capture();
            verdicts.push_back(Since(start));
            paint();
            whole.push_back(Since(start));
        }
        Report("tick, 32 tiles changed, painted:", ticks);
        Report("  of which the model and the tiles' texts:", refreshOnly);
        Report("capture until the verdict is on the screen:", verdicts);
        Report("  and the counters, chart and Ppk list painted:", whole);
        if (result != 0) std::printf("station_bench: a tick did not change every tile\n");
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return result;
}
