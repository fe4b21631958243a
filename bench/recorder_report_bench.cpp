// Cost of `vexla-rec report`: reading a recording's rows (the part that
// grows with the file) and making the page, on ten minutes of 32 channels
// at 20 readings per second. `recorder_report_bench report ARGS...` runs
// the command itself, for timing it on a whole file (make bench-report).

#include <benchmark/benchmark.h>

#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "recorder/model/csv_rows.h"
#include "recorder/report/html_report.h"
#include "recorder/report/recording_file.h"
#include "recorder/report/report_command.h"

namespace vexla::recorder {
namespace {

constexpr int kChannels = 32;
constexpr int kSeconds = 600;
constexpr int kPerSecond = 20;

quality::LimitsTable Limits() {
    quality::LimitsTable limits;
    for (int c = 1; c <= kChannels; ++c) limits.Set(c, {0, -1000, 1000, "part " + std::to_string(c)});
    return limits;
}

const std::string& Recording() {
    static const std::string text = [] {
        const CsvLayout layout{false, true};
        std::string csv = CsvHeading(layout);
        const quality::LimitsTable limits = Limits();
        ReadingRow row;
        row.time = {2026, 12, 8, 8, 0, 0, 0, 60};
        row.rate = 200;
        for (int tick = 0; tick < kSeconds * kPerSecond; ++tick) {
            const int ms = tick * (1000 / kPerSecond);
            row.time.minute = ms / 60000;
            row.time.second = ms / 1000 % 60;
            row.time.millisecond = ms % 1000;
            for (int c = 1; c <= kChannels; ++c) {
                row.channel = c;
                row.displacement = static_cast<quality::Fixed>(1500 * std::sin(tick / 300.0 + c)) / 100 * 100;
                row.value = row.displacement + 50000;
                row.judgement = limits.For(c)->Judge(row.displacement);
                AppendCsvRow(csv, row, layout);
            }
        }
        return csv;
    }();
    return text;
}

void BM_ReportReadRows(benchmark::State& state) {
    const std::string& csv = Recording();
    const quality::LimitsTable limits = Limits();
    for (auto _ : state) {
        report::RecordingParser parser(limits);
        // In pieces, as the file is read.
        for (size_t at = 0; at < csv.size(); at += 1 << 20) parser.Feed(std::string_view(csv).substr(at, 1 << 20));
        parser.Finish();
        benchmark::DoNotOptimize(parser.Data().rows);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * csv.size()));
    state.counters["rows/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kChannels * kSeconds * kPerSecond, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReportReadRows)->Unit(benchmark::kMillisecond);

void BM_ReportPage(benchmark::State& state) {
    const quality::LimitsTable limits = Limits();
    report::RecordingParser parser(limits);
    parser.Feed(Recording());
    parser.Finish();
    size_t bytes = 0;
    for (auto _ : state) {
        const auto characteristics = report::AnalyseCharacteristics(parser.Data(), limits, {});
        const std::string html =
            report::HtmlReport({"bench.csv", "limits.txt", ""}, parser.Data(), limits, characteristics);
        bytes = html.size();
        benchmark::DoNotOptimize(html.data());
    }
    state.counters["page bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ReportPage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vexla::recorder

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "report") {
        return vexla::recorder::RunReport(std::vector<std::string>(argv + 2, argv + argc), std::cout, std::cerr);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
