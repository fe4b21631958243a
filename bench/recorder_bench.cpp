// Cost of one recorder tick in the model: a result in which all 32 channels
// are new, turned into 32 judged CSV rows with their statistics.

#include <benchmark/benchmark.h>

#include <algorithm>

#include "recorder/model/recording.h"

namespace vexla::recorder {
namespace {

// Every channel recorded, four of them with limits.
RecordingSettings AllChannelsSomeLimits() {
    RecordingSettings settings;
    settings.channels.fill(true);
    settings.limits = *quality::ParseLimits("1,0,-0.5,0.5\n2,0,-0.5,0.5\n17,1,-0.01,0.01\n32,0,-1,1\n");
    return settings;
}

void BM_RecorderTickAll32New(benchmark::State& state) {
    RecordingSettings settings = AllChannelsSomeLimits();
    Recording recording(settings);
    VexlaDataBlock32 block{};
    int32_t rates[32];
    std::fill(std::begin(rates), std::end(rates), 200);
    const LocalTime now{2026, 12, 8, 18, 40, 1, 250, 60};
    std::string rows;
    int32_t step = 0;
    for (auto _ : state) {
        for (int c = 0; c < 32; ++c) {
            block.value[c] = 12345 + step * (c + 1);
            block.displacement[c] = -4000 + step * (c + 1);
            block.updated[c] = -1;
        }
        step = (step + 7) % 1000;
        rows.clear();
        benchmark::DoNotOptimize(recording.TakeResult(block, rates, now, rows));
    }
    state.counters["bytes/tick"] = static_cast<double>(rows.size());
}
BENCHMARK(BM_RecorderTickAll32New);

// One capture of a part with 32 channels, each onto its control chart with
// its run rules (Nelson's eight, the most work), long after the baseline.
void BM_RecorderCaptureAll32WithCharts(benchmark::State& state) {
    RecordingSettings settings = AllChannelsSomeLimits();
    settings.capture = true;
    settings.chart.rules = quality::RuleSet::Nelson;
    Recording recording(settings);
    VexlaDataBlock32 block{};
    int32_t rates[32];
    std::fill(std::begin(rates), std::end(rates), 50);
    const LocalTime now{2026, 12, 8, 18, 40, 1, 250, 60};
    std::string rows;
    PartVerdict verdict;
    int32_t step = 0;
    const auto part = [&] {
        for (int c = 0; c < 32; ++c) {
            block.value[c] = 12345 + (step * (c + 3)) % 97;
            block.displacement[c] = -40 + (step * (c + 5)) % 89;
            block.updated[c] = -1;
        }
        step = (step + 7) % 1000;
        rows.clear();
        recording.TakeResult(block, rates, now, rows);
        return recording.Capture(now, {}, rows, verdict);
    };
    for (int i = 0; i < 1000; ++i) part();  // the baseline and some
    for (auto _ : state) benchmark::DoNotOptimize(part());
}
BENCHMARK(BM_RecorderCaptureAll32WithCharts);

}  // namespace
}  // namespace vexla::recorder
