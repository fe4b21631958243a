// The whole system for a long while under faults: the real library against
// gaugesim with noise, dropped bytes, corrupted frames, silent gauges and the
// line going down and back, and a host that keeps fetching, zeroes, and
// reconnects. Every second the host process's memory, descriptors and
// threads are sampled; the run fails when they grow, when a channel stops
// delivering once its fault is over, or when a delivered value is not what
// the gauge shows.
//
// VEXLA_SOAK_SECONDS sets the length (default 600), VEXLA_SOAK_FORMATS the
// formats (default all five). The run is split into
// rounds, one data format each, with the simulator started afresh.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "end_to_end_posix.h"

namespace vexla::testing {
namespace {

namespace fs = std::filesystem;
using Seconds = std::chrono::duration<double>;

// Gauges 1-8: four 0.01 mm and four 0.001 mm, each still at a position of
// its own so that a reading given to the wrong channel shows.
constexpr int kGaugeCount = 8;
constexpr std::array<const char*, kGaugeCount> kPositions = {"1.23",  "-2.5",   "0.07",  "12.34",
                                                             "0.456", "-1.234", "3.001", "-0.05"};
constexpr uint32_t kSilentGauges = 0b110000;  // gauges 5 and 6 fall silent in every round
constexpr int kFormats[] = {3, 2, 4, 0, 1};

// A channel that is due must have brought a reading within this span.
constexpr auto kDeliveryLimit = 3s;
// After a fault, a connect or a hardware command, this long before the
// channel is due again or its readings are judged: the host's reconnect,
// the watchdog, a full averaging ring and the simulator's table all fit.
constexpr auto kSettle = 4s;
// In the polled format a gauge that stayed silent drops out of the polls and
// is found again by the probe, which asks one of the 32 addresses per pass
// over the live gauges (a tick each, and one for the probe): with the silent
// two away, a whole probe cycle takes 32 passes of 7 ticks.
constexpr int kPolledFormat = 2;
constexpr double kPolledRediscovery = 32 * (kGaugeCount - 2 + 1) * 0.05;
// A bad reading leaves the average after the averaging depth (10) of
// readings at the slowest gauge rate (5 a second), and the host may see the
// last of it a tick later.
constexpr double kAveragingSpan = 2.5;

double SecondsSince(Clock::time_point from, Clock::time_point to = Clock::now()) {
    return Seconds(to - from).count();
}

// ---- the process

struct ProcessSample {
    double at = 0;
    long rssKiB = 0;
    int fds = 0;
    int threads = 0;
};

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

int OpenDescriptors() {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

ProcessSample SampleProcess(Clock::time_point start) {
    return {SecondsSince(start), ResidentKiB(), OpenDescriptors(), ThreadCount()};
}

// ---- one round

struct RoundPlan {
    int format = 3;
    double seconds = 120;
    uint32_t seed = 1;
    // Every time is seconds after the simulator's start.
    double silenceAt = 0, silenceFor = 0;
    double blinkAt = 0;              // the line away for 0.3 s: the driver's own reopen finds it again
    double downAt = 0, downFor = 0;  // away long enough that the link is lost and the host reconnects
    double zeroOneAt = 0, zeroAllAt = 0, hardwareZeroAt = 0, reconnectAt = 0;
};

// The formats the rounds take in turn: all five, or the digits of
// VEXLA_SOAK_FORMATS (e.g. "3" to look into one format).
std::vector<int> SoakFormats() {
    std::vector<int> formats;
    if (const char* chosen = std::getenv("VEXLA_SOAK_FORMATS"))
        for (const char* c = chosen; *c != '\0'; ++c)
            if (*c >= '0' && *c <= '4') formats.push_back(*c - '0');
    if (formats.empty()) formats.assign(std::begin(kFormats), std::end(kFormats));
    return formats;
}

RoundPlan PlanRound(int index, double seconds) {
    static const std::vector<int> formats = SoakFormats();
    RoundPlan p;
    p.format = formats[static_cast<std::size_t>(index) % formats.size()];
    p.seconds = seconds;
    p.seed = static_cast<uint32_t>(index + 1);
    p.silenceAt = 0.15 * seconds;
    p.silenceFor = std::max(2.0, 0.1 * seconds);
    p.blinkAt = 0.3 * seconds;
    p.zeroOneAt = 0.4 * seconds;
    p.downAt = 0.5 * seconds;
    p.downFor = 3;
    p.zeroAllAt = 0.65 * seconds;
    p.hardwareZeroAt = 0.75 * seconds;
    p.reconnectAt = 0.85 * seconds;
    return p;
}

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

std::vector<std::string> SimArguments(const RoundPlan& p) {
    std::vector<std::string> args = {"--format",    std::to_string(p.format),
                                     "--channels",  "1-8",
                                     "--kind",      "5-8=0.001",
                                     "--motion",    "still",
                                     "--com",       "9",
                                     "--table",     "0.5",
                                     "--seed",      std::to_string(p.seed),
                                     "--noise",     "3",
                                     "--drop",      "0.0005",
                                     "--corrupt",   "0.02",
                                     "--silence",   "5-6@" + Number(p.silenceAt) + "+" + Number(p.silenceFor),
                                     "--line-down", Number(p.blinkAt) + "+0.3",
                                     "--line-down", Number(p.downAt) + "+" + Number(p.downFor)};
    for (int c = 0; c < kGaugeCount; ++c) {
        args.push_back("--position");
        args.push_back(std::to_string(c + 1) + "=" + kPositions[static_cast<std::size_t>(c)]);
    }
    return args;
}

struct Totals {
    uint64_t readings = 0;        // fresh readings delivered
    uint64_t judged = 0;          // of them, compared with the gauge
    uint64_t connects = 0;        // ConnectComm calls that opened the link
    uint64_t failedConnects = 0;  // calls while the line was away
    uint64_t reconnects = 0;      // calls because nothing came for a while
    std::vector<std::string> faults;
    double longestRecovery = 0;  // from the end of a fault to the first reading of every gauge
    // Short runs of wrong readings that a frame garbled on the line explains,
    // and the noise bytes the simulator sent.
    uint64_t lineErrors = 0;
    std::vector<std::string> lineErrorTexts;
    uint64_t noiseBytes = 0;
    // The driver's relative mode: on from the first reading of a format that
    // captures references per channel, and kept for the library's life.
    bool relativeMode = false;
};

class Round {
  public:
    Round(Exports& x, const std::string& home, const RoundPlan& plan, Totals& totals)
        : x_(x), home_(home), plan_(plan), totals_(totals) {}

    void Run() {
        // A fresh file each round: this format, references at zero.
        // COM9: while the line is away its link is gone, and the driver's
        // reopen must not find a real port (COM1 would be /dev/ttyS0).
        WriteConfig(ConfigFile(home_),
                    {"[硬件类型]", "数据格式=" + std::to_string(plan_.format), "[通讯设置]", "串口编号=9"});
        reference_.fill(0);
        Gaugesim sim(SimArguments(plan_));
        sim_ = &sim;
        if (sim.Pty().empty()) {
            Fault("gaugesim did not start");
            return;
        }
        start_ = Clock::now();  // the simulator's clock started a moment before: the windows below allow for it
        Connect();
        bool zeroedOne = false, zeroedAll = false, hardwareZeroed = false, reconnected = false;
        auto next = Clock::now();
        while (Elapsed() < plan_.seconds) {
            Fetch();
            const double t = Elapsed();
            if (!zeroedOne && t >= plan_.zeroOneAt) {
                zeroedOne = true;
                ZeroChannel(1);
            }
            if (!zeroedAll && t >= plan_.zeroAllAt) {
                zeroedAll = true;
                ZeroAll();
            }
            if (!hardwareZeroed && t >= plan_.hardwareZeroAt) {
                hardwareZeroed = true;
                x_.SetHardWareZero();
                settleUntil_ = Clock::now() + kSettle;
            }
            if (!reconnected && t >= plan_.reconnectAt) {
                reconnected = true;
                x_.DisConnectComm();
                Connect();
            }
            ReconnectWhenQuiet();
            CheckDelivery();
            next += 50ms;
            if (next < Clock::now()) next = Clock::now();
            std::this_thread::sleep_until(next);
        }
        x_.DisConnectComm();
        for (int i = 0; i < kGaugeCount; ++i) CloseEpisode(i);
        CountNoise();
        sim.Stop();
        sim_ = nullptr;
    }

  private:
    double Elapsed() const { return SecondsSince(start_); }
    bool UsesReferences() const { return plan_.format >= 2; }

    void Fault(const std::string& what) {
        if (totals_.faults.size() < 50) {
            totals_.faults.push_back("format " + std::to_string(plan_.format) + " at " + Number(Elapsed()) +
                                     " s: " + what);
        }
    }

    void Connect() {
        if (x_.ConnectComm(19200, 9) == -1) {
            ++totals_.connects;
            linkOpen_ = true;
            connectedAt_ = Clock::now();
            settleUntil_ = std::max(settleUntil_, connectedAt_ + kSettle);
        } else {
            ++totals_.failedConnects;
            linkOpen_ = false;
        }
        lastAttempt_ = Clock::now();
    }

    // A host that has had nothing from any channel for three seconds (the
    // link lost, or the line quiet) connects again, and again three seconds
    // later until readings come.
    void ReconnectWhenQuiet() {
        if (Clock::now() - std::max(lastAnyReading_, lastAttempt_) < 3s) return;
        ++totals_.reconnects;
        Connect();
    }

    void Fetch() {
        x_.GetReFlashRate32(rates_.data());
        VexlaDataBlock32 block{};
        x_.GetNewData32Ch(&block);
        const auto now = Clock::now();
        RefreshExpected();
        for (int i = 0; i < 32; ++i) {
            if (block.updated[i] == 0) continue;
            ++totals_.readings;
            lastAnyReading_ = now;
            if (i >= kGaugeCount) {
                Fault("a reading on channel " + std::to_string(i + 1) + ", which has no gauge");
                continue;
            }
            lastReading_[static_cast<std::size_t>(i)] = now;
            if (UsesReferences()) totals_.relativeMode = true;
            Judge(i, block.value[i], block.displacement[i], now);
        }
        NoteRecoveries(now);
    }

    // What the simulator's table says the gauges show. A gauge's value is
    // trusted once two tables in a row agree on it.
    void RefreshExpected() {
        const auto table = sim_->LatestTable();
        for (int i = 0; i < kGaugeCount; ++i) {
            const auto row = table.find(i + 1);
            if (row == table.end()) continue;
            Expected& e = expected_[static_cast<std::size_t>(i)];
            const int32_t value = row->second.Value();
            if (!e.known || e.value != value || e.position != row->second.position) {
                e = {true, value, row->second.position, Clock::now() + 1s};
            }
        }
    }

    // A wrong reading opens an episode on its channel, the next right one
    // closes it. The line's checks (an 8-bit CRC, or two 8-bit sums) let a
    // frame garbled by noise through now and then; such a reading stays in
    // the average for one averaging span, so an episode that long is the
    // line's and is counted. One that lasts longer is the driver's fault.
    void Judge(int i, int32_t value, int32_t displacement, Clock::time_point now) {
        const Expected& e = expected_[static_cast<std::size_t>(i)];
        if (!e.known || now < e.trustedFrom || now < settleUntil_) return;
        ++totals_.judged;
        // The block format's table rounds to the display; the average rounds odd quotients up.
        const int32_t slack = plan_.format == 0 ? 6 : 1;
        std::string wrong;
        if (std::abs(value - e.value) > slack)
            wrong = "delivered " + std::to_string(value) + ", the gauge shows " + std::to_string(e.value);
        const int64_t wanted = e.position - int64_t{reference_[static_cast<std::size_t>(i)]};
        if (!SameDisplacement(displacement, wanted)) {
            if (!wrong.empty()) wrong += "; ";
            wrong += "displacement " + std::to_string(displacement) + ", expected " + std::to_string(wanted);
        }
        Episode& episode = episodes_[static_cast<std::size_t>(i)];
        if (!wrong.empty()) {
            if (episode.readings++ == 0) {
                episode.start = now;
                episode.first = wrong;
            }
            episode.last = now;
            return;
        }
        CloseEpisode(i);
    }

    void CloseEpisode(int i) {
        Episode& episode = episodes_[static_cast<std::size_t>(i)];
        if (episode.readings == 0) return;
        const double seconds = SecondsSince(episode.start, episode.last);
        std::string text = "channel " + std::to_string(i + 1) + ": " + std::to_string(episode.readings) +
                           " wrong readings over " + Number(seconds) + " s, first " + episode.first;
        if (seconds > kAveragingSpan) {
            Fault(text);
        } else {
            ++totals_.lineErrors;
            if (totals_.lineErrorTexts.size() < 20)
                totals_.lineErrorTexts.push_back("format " + std::to_string(plan_.format) + " at " +
                                                 Number(SecondsSince(start_, episode.start)) + " s: " + text);
        }
        episode = Episode{};
    }

    // What the simulator put on the line: its noise bytes, from its last table.
    void CountNoise() {
        const auto lines = sim_->Lines();
        for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
            const auto at = it->text.find(" readings, ");
            if (at == std::string::npos) continue;
            unsigned long long polls = 0, commands = 0, noise = 0;
            if (std::sscanf(it->text.c_str() + at, " readings, %llu polls, %llu commands, %llu noise", &polls,
                            &commands, &noise) == 3)
                totals_.noiseBytes += noise;
            return;
        }
    }

    // `counts`: the gauge's position count (as the table shows it) less the
    // reference. The counters run round, and the driver folds the difference
    // into the signed half of the same period; block counts are then scaled
    // to the value's unit. Without relative mode the pushed formats report 0.
    bool SameDisplacement(int64_t delivered, int64_t counts) const {
        if (plan_.format <= 1 && !totals_.relativeMode) return delivered == 0;
        if (plan_.format == 0) {
            int64_t d = ((counts % 16777216) + 16777216) % 16777216;
            if (d > 8388608) d -= 16777216;
            const int64_t scaled = (d < 0 ? -d : d) * 1270 / 1024;
            return std::abs(delivered - (d < 0 ? -scaled : scaled)) <= 6;
        }
        const int64_t period = plan_.format == 1 ? 650240 : plan_.format == 4 ? 2621440 : 20807680;
        const int64_t d = ((delivered - counts) % period + period) % period;
        return d <= 1 || d >= period - 1;
    }

    void ZeroChannel(int i) {
        x_.SetDataZeroCh(static_cast<uint32_t>(i));
        if (UsesReferences()) reference_[static_cast<std::size_t>(i)] = expected_[static_cast<std::size_t>(i)].position;
        settleUntil_ = std::max(settleUntil_, Clock::now() + kSettle);
    }

    void ZeroAll() {
        x_.SetDataZero();
        if (UsesReferences())
            for (int i = 0; i < kGaugeCount; ++i)
                reference_[static_cast<std::size_t>(i)] = expected_[static_cast<std::size_t>(i)].position;
        settleUntil_ = std::max(settleUntil_, Clock::now() + kSettle);
    }

    // The windows in which a gauge may be quiet: its silence, the line's
    // absences, and the settling after each.
    bool Excused(int i, double t) const {
        const double settle = Seconds(kSettle).count();
        auto within = [&](double from, double length) { return t >= from - 0.5 && t < from + length + settle; };
        const double found = plan_.format == kPolledFormat ? kPolledRediscovery : 0;
        if ((kSilentGauges >> i & 1) && within(plan_.silenceAt, plan_.silenceFor + found)) return true;
        return within(plan_.blinkAt, 0.3) || within(plan_.downAt, plan_.downFor);
    }

    // Every gauge that is due (link open and settled, no fault of its own)
    // brings a reading within the limit.
    void CheckDelivery() {
        const auto now = Clock::now();
        const bool settled = linkOpen_ && now >= connectedAt_ + kSettle;
        const double t = Elapsed();
        for (std::size_t i = 0; i < kGaugeCount; ++i) {
            const bool due = settled && !Excused(static_cast<int>(i), t);
            if (due && !due_[i]) dueFrom_[i] = now;
            if (!due) reported_[i] = false;
            due_[i] = due;
            if (!due || reported_[i]) continue;
            const auto last = std::max(lastReading_[i], dueFrom_[i]);
            if (now - last > kDeliveryLimit) {
                reported_[i] = true;
                Fault("channel " + std::to_string(i + 1) + " delivered nothing for " + Number(SecondsSince(last)) +
                      " s although no fault kept it quiet");
            }
        }
    }

    // How long after a fault ended every gauge it touched delivered again.
    void NoteRecoveries(Clock::time_point now) {
        struct Ending {
            double at;
            uint32_t gauges;
        };
        const Ending endings[] = {{plan_.silenceAt + plan_.silenceFor, kSilentGauges},
                                  {plan_.blinkAt + 0.3, 0xFF},
                                  {plan_.downAt + plan_.downFor, 0xFF}};
        for (std::size_t k = 0; k < std::size(endings); ++k) {
            if (recovered_[k] || Elapsed() < endings[k].at) continue;
            const auto ended = start_ + std::chrono::duration_cast<Clock::duration>(Seconds(endings[k].at));
            bool all = true;
            for (std::size_t i = 0; i < kGaugeCount; ++i)
                if ((endings[k].gauges >> i & 1) && lastReading_[i] <= ended) all = false;
            if (!all) continue;
            recovered_[k] = true;
            totals_.longestRecovery = std::max(totals_.longestRecovery, SecondsSince(ended, now));
        }
    }

    struct Episode {
        int readings = 0;
        Clock::time_point start{}, last{};
        std::string first;
    };

    struct Expected {
        bool known = false;
        int32_t value = 0;
        int32_t position = 0;
        Clock::time_point trustedFrom{};
    };

    Exports& x_;
    std::string home_;
    RoundPlan plan_;
    Totals& totals_;
    Gaugesim* sim_ = nullptr;
    Clock::time_point start_{}, connectedAt_{}, lastAttempt_{}, settleUntil_{};
    Clock::time_point lastAnyReading_ = Clock::now();
    bool linkOpen_ = false;
    std::array<int32_t, 32> rates_{};  // fetched as a host does; what they say is left to the unit tests
    std::array<Expected, kGaugeCount> expected_{};
    std::array<int32_t, kGaugeCount> reference_{};
    std::array<Clock::time_point, kGaugeCount> lastReading_{};
    std::array<bool, kGaugeCount> due_{};
    std::array<Clock::time_point, kGaugeCount> dueFrom_{};
    std::array<bool, kGaugeCount> reported_{};
    std::array<bool, 3> recovered_{};
    std::array<Episode, kGaugeCount> episodes_{};
};

double SoakSeconds() {
    const char* text = std::getenv("VEXLA_SOAK_SECONDS");
    const double seconds = text != nullptr ? std::atof(text) : 600;
    return seconds >= 20 ? seconds : 20;
}

// Rounds of two minutes at most and 40 s at least; every format once when
// the run is long enough; two at least, since growth is judged between
// the ends of rounds.
std::vector<RoundPlan> PlanRun(double seconds) {
    const int formats = static_cast<int>(std::size(kFormats));
    const int rounds =
        std::max({2, std::min(formats, static_cast<int>(seconds / 40)), static_cast<int>(std::ceil(seconds / 120))});
    std::vector<RoundPlan> plan;
    for (int r = 0; r < rounds; ++r) plan.push_back(PlanRound(r, seconds / rounds));
    return plan;
}

// Memory, descriptors and threads may settle during the first round; after
// it they must stay put.
void ExpectNoGrowth(const std::vector<ProcessSample>& samples, const std::vector<std::size_t>& roundEnds) {
    ASSERT_GE(roundEnds.size(), 2u);
    const ProcessSample& base = samples[roundEnds.front()];
    const ProcessSample& last = samples[roundEnds.back()];
    EXPECT_EQ(last.fds, base.fds) << "descriptors between rounds";
    EXPECT_EQ(last.threads, base.threads) << "threads between rounds";
    for (std::size_t k : roundEnds) {
        EXPECT_EQ(samples[k].fds, base.fds) << "after the round ending at " << samples[k].at << " s";
        EXPECT_EQ(samples[k].threads, base.threads) << "after the round ending at " << samples[k].at << " s";
    }
    // Resident memory: the largest of the second half against the largest
    // of the first half after the first round. The allocator keeps some
    // slack, so a little wobble is allowed; a leak of even a few bytes per
    // reading is far more over such a run.
    long firstHalf = 0, secondHalf = 0;
    const std::size_t from = roundEnds.front();
    const std::size_t middle = from + (samples.size() - from) / 2;
    for (std::size_t k = from; k < samples.size(); ++k)
        (k < middle ? firstHalf : secondHalf) = std::max(k < middle ? firstHalf : secondHalf, samples[k].rssKiB);
    const long allowed = firstHalf + 512 + firstHalf / 50;
#if !defined(__SANITIZE_ADDRESS__)  // its quarantine holds freed memory back on purpose; it checks leaks itself
    EXPECT_LE(secondHalf, allowed) << "resident memory grew from " << firstHalf << " KiB to " << secondHalf << " KiB";
#else
    (void)allowed;
#endif
}

// The library under soak: VEXLA_SOAK_LIBRARY names a copy of it (make soak
// runs one), so that a rebuild in the build folder, which the linker writes
// in place, cannot change the code of a run that has it mapped.
std::string SoakLibrary() {
    const char* copy = std::getenv("VEXLA_SOAK_LIBRARY");
    return copy != nullptr && *copy != '\0' ? copy : VEXLA_LIBRARY_FILE;
}

TEST(Soak, FaultsComeAndGoAndNothingIsLostOrGrows) {
    const double seconds = SoakSeconds();
    RunIsolated(
        [seconds](const std::string& home) {
            Exports x(SoakLibrary());
            ASSERT_TRUE(x.Loaded()) << x.Binding().Failure().Text();
            const auto start = Clock::now();
            std::vector<ProcessSample> samples{SampleProcess(start)};
            std::vector<std::size_t> roundEnds;
            std::atomic<bool> sampling{true};
            std::mutex samplesLock;
            // Not a thread of the library: counted once, the same in every sample.
            std::thread sampler([&] {
                while (sampling) {
                    std::this_thread::sleep_for(1s);
                    const std::lock_guard lock(samplesLock);
                    samples.push_back(SampleProcess(start));
                }
            });

            Totals totals;
            const std::vector<RoundPlan> plan = PlanRun(seconds);
            for (const RoundPlan& p : plan) {
                std::printf("round: format %d for %.0f s\n", p.format, p.seconds);
                std::fflush(stdout);
                Round(x, home, p, totals).Run();
                const std::lock_guard lock(samplesLock);
                samples.push_back(SampleProcess(start));
                roundEnds.push_back(samples.size() - 1);
            }
            sampling = false;
            sampler.join();
            x.DLL_End_Application();

            const ProcessSample& first = samples[roundEnds.front()];
            const ProcessSample& last = samples.back();
            std::printf(
                "soak: %.0f s, %zu rounds; readings %llu (%llu judged against the gauges); connects %llu "
                "(%llu after three quiet seconds, %llu refused while the line was away); "
                "slowest recovery %.1f s\n"
                "soak: resident %ld KiB at the start, %ld KiB after the first round, %ld KiB at the end; "
                "descriptors %d, threads %d after each round\n",
                SecondsSince(start), plan.size(), static_cast<unsigned long long>(totals.readings),
                static_cast<unsigned long long>(totals.judged), static_cast<unsigned long long>(totals.connects),
                static_cast<unsigned long long>(totals.reconnects),
                static_cast<unsigned long long>(totals.failedConnects), totals.longestRecovery, samples.front().rssKiB,
                first.rssKiB, last.rssKiB, first.fds, first.threads);
            std::printf("soak: %llu short runs of wrong readings that line noise explains (%llu noise bytes sent)\n",
                        static_cast<unsigned long long>(totals.lineErrors),
                        static_cast<unsigned long long>(totals.noiseBytes));
            for (const std::string& e : totals.lineErrorTexts) std::printf("soak line error: %s\n", e.c_str());
            for (const std::string& f : totals.faults) std::printf("soak fault: %s\n", f.c_str());
            std::fflush(stdout);

            EXPECT_TRUE(totals.faults.empty()) << totals.faults.size() << " faults (listed above)";
            // An 8-bit check misses one garbled frame in 256, and not every
            // noise byte garbles a frame: more than four times that many is
            // not the line but the decoder.
            EXPECT_LE(totals.lineErrors, 1 + totals.noiseBytes * 4 / 256)
                << "wrong readings beyond what noise explains";
            EXPECT_GT(totals.judged, totals.readings / 4) << "too few readings could be judged";
            ExpectNoGrowth(samples, roundEnds);
        },
        std::chrono::seconds(static_cast<int>(seconds) + 120));
}

}  // namespace
}  // namespace vexla::testing
