// Cost of the driver's per-tick work: one search of a full receive ring in
// each data format, and one whole processing step with 32 live
// channels and a full averaging ring. Rates are also given as multiples of
// the 115200-baud line rate (11,520 bytes per second).

#include <benchmark/benchmark.h>

#include <vector>

#include "engine/driver.h"
#include "panel/panel_presenter.h"
#include "protocol/data_format.h"
#include "protocol/frame_scanner.h"
#include "protocol/tests/frame_streams.h"

namespace vexla {
namespace {

constexpr double kLineRate115200 = 11520.0;

// Every position of a full ring starts a window that must be copied and
// checked: the most work one call can be given.
std::vector<uint8_t> WorstCaseBytes(uint8_t format) {
    const uint8_t fill = format == kFormatBlock ? 0xFF : format == kFormatText ? 0x0D : 0x80;
    return std::vector<uint8_t>(ReceiveRing::kSize, fill);
}

// As many valid frames back to back as fill the ring.
std::vector<uint8_t> ValidBytes(uint8_t format) {
    std::vector<uint8_t> stream = testing::MakeStream(format, 80);
    stream.resize(ReceiveRing::kSize);
    return stream;
}

void RunScan(benchmark::State& state, const std::vector<uint8_t>& bytes) {
    const auto format = static_cast<uint8_t>(state.range(0));
    ReceiveRing full;
    full.Append(bytes);
    for (auto _ : state) benchmark::DoNotOptimize(ScanFrames(full, format));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * ReceiveRing::kSize);
    state.counters["x_line_rate_115200"] =
        benchmark::Counter(ReceiveRing::kSize / kLineRate115200, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ScanWorstCase(benchmark::State& state) {
    RunScan(state, WorstCaseBytes(static_cast<uint8_t>(state.range(0))));
}
BENCHMARK(BM_ScanWorstCase)->DenseRange(0, 4)->ArgName("format");

void BM_ScanValidFrames(benchmark::State& state) {
    RunScan(state, ValidBytes(static_cast<uint8_t>(state.range(0))));
}
BENCHMARK(BM_ScanValidFrames)->DenseRange(0, 4)->ArgName("format");

// A port that opens and takes every write, for a driver that needs a link.
class QuietPort : public LinkPort {
  public:
    PortStatus Open(const LinkSettings&) override { return {true, {}, {}}; }
    void Close() override {}
    bool QueueWrite(std::span<const uint8_t>) override { return true; }
};

// A connected driver in `format` that averages over the whole ring; its
// view writes the grid texts on every tick, as in use.
void SetUpForTicks(Driver& d, uint8_t format) {
    d.CBoxDataFormatChange(format);
    d.SetFilter(40);
    d.ConnectComm(19200, 1);
}

// One tick of a network of 32 gauges pushing general frames: receive the
// tick's frames, decode, average over a full 40-slot ring, rate, hand over,
// and the host's take.
void BM_ProcessTick32Channels(benchmark::State& state) {
    QuietPort port;
    PanelPresenter panel;
    Driver d({&port, nullptr, nullptr, nullptr, &panel});
    SetUpForTicks(d, kFormatPushedGeneral);
    std::vector<uint8_t> tick = testing::MakeStream(kFormatPushedGeneral, 32);
    tick.push_back(0x00);
    for (int warm = 0; warm < 40; ++warm) {
        d.SPComReceiveData(tick);
        d.ProcessTick();
        d.TakeResult();
    }
    for (auto _ : state) {
        d.SPComReceiveData(tick);
        d.ProcessTick();
        benchmark::DoNotOptimize(d.TakeResult());
    }
}
BENCHMARK(BM_ProcessTick32Channels);

// The heaviest tick: a full ring of block-format bytes in which every
// position must be examined, on top of a full averaging ring with 16 live
// channels (all that format carries).
void BM_ProcessTickWorstCase(benchmark::State& state) {
    QuietPort port;
    PanelPresenter panel;
    Driver d({&port, nullptr, nullptr, nullptr, &panel});
    SetUpForTicks(d, kFormatBlock);
    for (uint32_t warm = 0; warm < 40; ++warm) {
        std::vector<uint8_t> frame = testing::MakeStream(kFormatBlock, 1, warm);
        d.SPComReceiveData(frame);
        d.ProcessTick();
        d.TakeResult();
    }
    const std::vector<uint8_t> worst = WorstCaseBytes(kFormatBlock);
    for (auto _ : state) {
        d.SPComReceiveData(worst);
        d.ProcessTick();
        benchmark::DoNotOptimize(d.TakeResult());
    }
}
BENCHMARK(BM_ProcessTickWorstCase);

}  // namespace
}  // namespace vexla

BENCHMARK_MAIN();
