// Cost of one monitor refresh in the model: rates and data for 32 channels
// that all changed, formatted into 96 cell texts.

#include <benchmark/benchmark.h>

#include "channels/long_to_string.h"
#include "monitor/model/monitor_model.h"
#include "monitor/tests/streaming_driver.h"

namespace vexla::monitor {
namespace {

void BM_MonitorTickAll32Changed(benchmark::State& state) {
    testing::StreamingDriver driver([](int32_t value, uint32_t decimals, char* buffer, uint32_t length) {
        vexla::Long2String(value, static_cast<uint8_t>(decimals), buffer, static_cast<uint8_t>(length));
    });
    MonitorModel model(driver);
    model.FormCreate();
    int changed = 0;
    for (auto _ : state) {
        const ChangedCells cells = model.Timer1Timer();
        changed += cells.count;
        benchmark::DoNotOptimize(cells);
    }
    state.counters["cells/tick"] = benchmark::Counter(changed, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_MonitorTickAll32Changed);

}  // namespace
}  // namespace vexla::monitor
