// Cost of a gauge R&R's analysis and report: the typical 10 parts × 3
// operators × 3 trials on all 32 channels, as `vexla-rec study grr` does
// it at the end of a study (goals: the analysis under 10 ms, the report
// under a second).

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "quality/gauge_rr.h"
#include "recorder/study/study_report.h"

namespace vexla::recorder::study {
namespace {

constexpr int kChannels = 32, kParts = 10, kOperators = 3, kTrials = 3;

std::vector<quality::GaugeRrData> Studies() {
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0, 0.002);
    std::vector<quality::GaugeRrData> studies;
    for (int c = 0; c < kChannels; ++c) {
        quality::GaugeRrData d(kParts, kOperators, kTrials);
        for (int o = 0; o < kOperators; ++o)
            for (int t = 0; t < kTrials; ++t)
                for (int p = 0; p < kParts; ++p) d.At(o, t, p) = 10 + 0.01 * p + 0.001 * o + noise(random);
        studies.push_back(std::move(d));
    }
    return studies;
}

void BM_GaugeRr32Channels(benchmark::State& state) {
    const std::vector<quality::GaugeRrData> studies = Studies();
    for (auto _ : state) {
        for (const auto& d : studies) benchmark::DoNotOptimize(quality::AnalyseGaugeRr(d, 0.1));
    }
}
BENCHMARK(BM_GaugeRr32Channels)->Unit(benchmark::kMillisecond);

void BM_GaugeRrReport32Channels(benchmark::State& state) {
    StudyPlan plan;
    plan.parts = kParts;
    plan.trials = kTrials;
    plan.operators = {"A", "B", "C"};
    plan.tolerance = 0.1;
    std::vector<GrrChannel> channels;
    for (quality::GaugeRrData& d : Studies()) {
        auto result = quality::AnalyseGaugeRr(d, 0.1);
        channels.push_back({static_cast<int>(channels.size()) + 1, std::move(d), std::move(*result)});
    }
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string html = GrrHtml("bench.csv", plan, channels);
        const std::string json = GrrJson("bench.csv", plan, channels);
        bytes = html.size() + json.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_GaugeRrReport32Channels)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vexla::recorder::study

BENCHMARK_MAIN();
