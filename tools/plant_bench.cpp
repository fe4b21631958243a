// vexla_plant_bench: plays stations without gaugesim against a broker, as
// the plant bench (tools/plant-bench.py) runs it: each station a publisher
// of its own with 32 gauges that move every tick and a part each period,
// all on one thread with the programs' 50 ms tick. Prints the CPU it used
// and what it published.
//
//   vexla_plant_bench URL STATIONS SECONDS [PART_EVERY_S] [QUEUE_FOLDER]

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "publish/plant_publisher.h"
#include "recorder/platform/run_control.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vexla;
    if (argc < 4) {
        std::fputs("usage: vexla_plant_bench URL STATIONS SECONDS [PART_EVERY_S] [QUEUE_FOLDER]\n", stderr);
        return 2;
    }
    const int stations = std::atoi(argv[2]);
    const double seconds = std::atof(argv[3]);
    const double partEvery = argc > 4 ? std::atof(argv[4]) : 1.0;
    const std::string folder = argc > 5 ? argv[5] : ".";
    std::vector<std::unique_ptr<publish::PlantPublisher>> publishers;
    for (int s = 1; s <= stations; ++s) {
        publish::PublishSettings settings;
        if (Status parsed = publish::ParsePublishUrl(argv[1], settings); !parsed) {
            std::fprintf(stderr, "vexla_plant_bench: %s\n", parsed.Failure().Text().c_str());
            return 2;
        }
        settings.station = "bench-" + std::to_string(s);
        settings.queueFile = folder + "/bench-" + std::to_string(s) + ".queue";
        auto started = publish::PlantPublisher::Start(settings, {"vexla-rec", "0", 1});
        if (!started) {
            std::fprintf(stderr, "vexla_plant_bench: %s\n", started.Failure().Text().c_str());
            return 1;
        }
        publishers.push_back(std::move(*started));
    }
    quality::LimitsTable limits;
    std::vector<recorder::ReadingRow> rows(32);
    const double cpuStart = CpuSeconds();
    const int64_t start = recorder::SteadyMilliseconds();
    int64_t nextPart = start + static_cast<int64_t>(partEvery * 1000);
    uint64_t parts = 0;
    for (int64_t tick = start; tick - start < static_cast<int64_t>(seconds * 1000); tick += 50) {
        const recorder::LocalTime now = recorder::LocalNow();
        const int64_t step = (tick - start) / 50;
        for (auto& p : publishers) {
            for (int c = 1; c <= 32; ++c) {
                publish::GaugeReading g;
                g.time = now;
                g.reading.value = g.reading.displacement = (step * 7 + c * 100) % 20000;
                g.rate = 200;
                p->Gauge(c, g);
            }
        }
        if (tick >= nextPart) {
            nextPart += static_cast<int64_t>(partEvery * 1000);
            ++parts;
            for (int c = 0; c < 32; ++c) {
                rows[static_cast<size_t>(c)].channel = c + 1;
                rows[static_cast<size_t>(c)].value = rows[static_cast<size_t>(c)].displacement = step % 10000;
            }
            for (auto& p : publishers) {
                const publish::PartMessage part{
                    parts, {std::to_string(parts), "bench", "bench"}, now, {}, &rows, &limits, {}};
                if (Status queued = p->Part(publish::PartPayload(p->Station(), part)); !queued)
                    std::fprintf(stderr, "vexla_plant_bench: %s\n", queued.Failure().Text().c_str());
            }
        }
        for (auto& p : publishers) p->Poll(recorder::SteadyMilliseconds());
        std::this_thread::sleep_until(std::chrono::steady_clock::now() +
                                      std::chrono::milliseconds(tick + 50 - recorder::SteadyMilliseconds()));
    }
    const double cpu = CpuSeconds() - cpuStart;
    const double wall = static_cast<double>(recorder::SteadyMilliseconds() - start) / 1000;
    size_t queued = 0;
    for (auto& p : publishers) queued += p->Queued();
    publishers.clear();  // each says goodbye
    std::printf(
        "stations %d, %.1f s, parts per station %llu, CPU %.3f s = %.2f %% of a core (%.3f %% per station), "
        "still queued %zu\n",
        stations, wall, static_cast<unsigned long long>(parts), cpu, 100 * cpu / wall, 100 * cpu / wall / stations,
        queued);
    return 0;
}
