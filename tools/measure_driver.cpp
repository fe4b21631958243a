// Measures the driver as a host sees it, in a throwaway configuration folder:
//   cpu      gaugesim streams format 3 (32 gauges, fast state); the host
//            polls every 50 ms; CPU time of this process (the driver and the
//            host) against wall time.
//   latency  this program is the gauge: it writes format 3 frames of channel
//            1 with alternating values to a pty of its own and times how long
//            each new value takes to come out of GetNewData32Ch (depth 1).
//   loss     gaugesim pushes format 0, 1 or 3 at a given speed; the host
//            takes every result and counts the readings it delivers against
//            the readings gaugesim reports put on the line.
//   idle     the link open on a line of its own where nothing is sent.
// Usage: vexla_measure cpu|idle|latency|loss [--seconds S] [--format F] [--baud B]
//        [--host-ms P] [--gaugesim PATH] [--library PATH]

#include <fcntl.h>
#include <iconv.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "host/driver_library.h"
#include "protocol/gauge_frames.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Options {
    std::string mode;
    double seconds = 0;
    int format = 3;
    int baud = 115200;
    int hostMs = 50;
    std::string gaugesim = VEXLA_GAUGESIM;
    std::string library = VEXLA_LIBRARY;
};

using Driver = vexla::host::DriverFunctions;
constexpr vexla::host::Export kUsed[] = {vexla::host::Export::GetNewData32Ch, vexla::host::Export::GetReFlashRate32,
                                         vexla::host::Export::SetFilter, vexla::host::Export::DLL_End_Application};

std::string Gbk(const std::string& utf8) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    std::string in = utf8, out(utf8.size() * 2 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t srcLeft = in.size(), dstLeft = out.size();
    iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

// A private configuration folder with the format chosen, COM1 at `baud`.
std::string PrepareHome(int format, int baud) {
    char pattern[] = "/tmp/vexla-measure-XXXXXX";
    const std::string home = mkdtemp(pattern);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("WINEPREFIX", (home + "/wine").c_str(), 1);
    fs::create_directories(home + "/.config/系统配置");
    std::ofstream(home + "/.config/系统配置/Vexla配置000.txt", std::ios::binary)
        << Gbk("[硬件类型]\r\n数据格式=" + std::to_string(format) +
               "\r\n[通讯设置]\r\n串口编号=1\r\n波特率=" + std::to_string(baud) + "\r\n");
    return home;
}

struct Sim {
    pid_t pid = -1;
    FILE* out = nullptr;

    bool Start(const std::string& path, std::vector<std::string> args) {
        args.insert(args.begin(), path);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int fds[2];
        if (pipe(fds) != 0) return false;
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            dup2(fds[1], 1);
            close(fds[0]);
            execve(path.c_str(), argv.data(), environ);
            _exit(127);
        }
        close(fds[1]);
        out = fdopen(fds[0], "r");
        // Ready once the COM links exist.
        char line[512];
        int links = 0;
        while (links < 2 && std::fgets(line, sizeof line, out))
            if (std::strncmp(line, "link: ", 6) == 0) ++links;
        return links == 2;
    }
    // The latest "line: ... N frames" count printed so far (non-blocking read).
    struct LineCounts {
        long long frames = -1;
        long long readings = -1;
    };
    LineCounts CountsSoFar() {
        static LineCounts counts;
        const int fd = fileno(out);
        fcntl(fd, F_SETFL, O_NONBLOCK);
        char line[512];
        while (std::fgets(line, sizeof line, out)) {
            long long bytes = 0, f = 0, r = 0;
            if (const char* l = std::strstr(line, "line: ");
                l && std::sscanf(l, "line: %lld bytes, %lld frames, %lld readings", &bytes, &f, &r) == 3)
                counts = {f, r};
        }
        clearerr(out);
        return counts;
    }
    double CpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string s((std::istreambuf_iterator<char>(stat)), {});
        const auto close = s.rfind(')');
        if (close == std::string::npos) return 0;
        std::vector<std::string> fields;
        std::string field;
        for (char c : s.substr(close + 2)) {
            if (c == ' ') {
                fields.push_back(field);
                field.clear();
            } else {
                field += c;
            }
        }
        // utime and stime are fields 14 and 15 of the line, 12 and 13 after ")".
        return (std::stod(fields.at(11)) + std::stod(fields.at(12))) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    ~Sim() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        if (out) std::fclose(out);
    }
};

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

// A host that fetches the driver's results every 50 ms, as the programs do.
struct PollingHost {
    explicit PollingHost(Driver& driver) : d(driver), next(Clock::now()) {}
    void Fetch() {
        d.GetReFlashRate32(rates);
        d.GetNewData32Ch(&block);
        next += 50ms;
        std::this_thread::sleep_until(next);
    }
    Driver& d;
    Clock::time_point next;
    VexlaDataBlock32 block{};
    int32_t rates[32]{};
};

// Context switches of each of this process's threads, by thread id: each
// is a wake-up (a voluntary one ends a sleep; an involuntary one is counted
// too, as a preemption costs as much).
struct ThreadSwitches {
    std::string name;
    long long switches = 0;
    double cpuSeconds = 0;  // time on a CPU, from the scheduler's own count (ns)
};
std::map<int, ThreadSwitches> SwitchesByThread() {
    std::map<int, ThreadSwitches> threads;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::ifstream status(task.path() / "status");
        ThreadSwitches t;
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("Name:", 0) == 0) t.name = line.substr(line.find_first_not_of(" \t", 5));
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                t.switches += std::stoll(line.substr(line.find(':') + 1));
        }
        std::ifstream schedstat(task.path() / "schedstat");
        long long onCpuNs = 0;
        if (schedstat >> onCpuNs) t.cpuSeconds = static_cast<double>(onCpuNs) / 1e9;
        threads[std::stoi(task.path().filename().string())] = t;
    }
    return threads;
}

// The wake-ups per second of every thread but the host's (this one).
void PrintWakeUps(const std::map<int, ThreadSwitches>& before, double wall) {
    const int host = static_cast<int>(gettid());
    double total = 0, cpu = 0;
    std::string each;
    for (const auto& [tid, after] : SwitchesByThread()) {
        if (tid == host || after.name == "drain") continue;
        const auto was = before.find(tid);
        const double rate =
            static_cast<double>(after.switches - (was == before.end() ? 0 : was->second.switches)) / wall;
        total += rate;
        cpu += after.cpuSeconds - (was == before.end() ? 0 : was->second.cpuSeconds);
        char part[96];
        std::snprintf(part, sizeof part, "%s%s %.0f", each.empty() ? "" : ", ", after.name.c_str(), rate);
        each += part;
    }
    std::printf("  driver threads: %.3f %% of one core, %.0f wake-ups per second (%s)\n", 100 * cpu / wall, total,
                each.c_str());
}

int MeasureCpu(const Options& o, Driver& d) {
    const double seconds = o.seconds > 0 ? o.seconds : 60;
    Sim sim;
    if (!sim.Start(o.gaugesim, {"--format", "3", "--baud", std::to_string(o.baud), "--channels", "1-32", "--state",
                                "fast", "--motion", "sine", "--com", "1"})) {
        std::fprintf(stderr, "vexla_measure: gaugesim did not start\n");
        return 1;
    }
    PollingHost host(d);
    const VexlaDataBlock32& block = host.block;
    const int32_t(&rates)[32] = host.rates;
    auto poll = [&] { host.Fetch(); };
    // Warm up: connect, fill the averaging ring.
    for (int i = 0; i < 60; ++i) poll();
    const double cpu0 = CpuSeconds(), sim0 = sim.CpuSeconds();
    const auto switches0 = SwitchesByThread();
    const auto t0 = Clock::now();
    long long updates = 0;
    while (Clock::now() - t0 < std::chrono::duration<double>(seconds)) {
        poll();
        for (int16_t u : block.updated) updates += u != 0;
    }
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;
    int32_t minRate = rates[0], maxRate = rates[0];
    for (int32_t r : rates) minRate = std::min(minRate, r), maxRate = std::max(maxRate, r);
    std::printf("cpu: format 3, %d baud, 32 gauges in the fast state, host every 50 ms, %.1f s\n", o.baud, wall);
    std::printf("  driver + host process: %.3f s CPU = %.2f %% of one core\n", cpu, 100 * cpu / wall);
    std::printf("  gaugesim:              %.2f %% of one core\n", 100 * (sim.CpuSeconds() - sim0) / wall);
    std::printf("  channel updates delivered: %.1f per second; rates %.1f..%.1f per second per channel\n",
                static_cast<double>(updates) / wall, minRate / 10.0, maxRate / 10.0);
    PrintWakeUps(switches0, wall);
    return 0;
}

// A pty of our own as the driver's COM1; what the driver sends is drained
// by a thread named "drain". Returns the master end, or -1.
int OwnLine() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return -1;
    const std::string slave = ptsname(master);
    const std::string links = std::string(getenv("XDG_CONFIG_HOME")) + "/vexla/dosdevices";
    fs::create_directories(links);
    fs::create_symlink(slave, links + "/com1");
    std::thread drain([master] {
        pthread_setname_np(pthread_self(), "drain");
        char b[256];
        while (read(master, b, sizeof b) > 0) {
        }
    });
    drain.detach();
    return master;
}

// The link open on a line where nothing is sent: what the driver costs
// while it only waits.
int MeasureIdle(const Options& o, Driver& d) {
    const double seconds = o.seconds > 0 ? o.seconds : 60;
    if (OwnLine() < 0) return 1;
    PollingHost host(d);
    auto poll = [&] { host.Fetch(); };
    for (int i = 0; i < 60; ++i) poll();
    const double cpu0 = CpuSeconds();
    const auto switches0 = SwitchesByThread();
    const auto t0 = Clock::now();
    while (Clock::now() - t0 < std::chrono::duration<double>(seconds)) poll();
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;
    std::printf("idle: the link open on a silent line, host every 50 ms, %.1f s\n", wall);
    std::printf("  driver + host process: %.3f s CPU = %.3f %% of one core\n", cpu, 100 * cpu / wall);
    PrintWakeUps(switches0, wall);
    return 0;
}

int MeasureLatency(const Options& o, Driver& d) {
    const int samples = o.seconds > 0 ? static_cast<int>(o.seconds / 0.15) : 150;
    const int master = OwnLine();
    if (master < 0) return 1;

    auto writeReading = [&](uint32_t display) {
        vexla::GeneralFields f;
        f.channel = 0;
        f.position = display;
        f.display = display;
        const auto frame = vexla::EncodeGeneralFrame(f);
        return write(master, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
    };

    VexlaDataBlock32 block{};
    int32_t rates[32];
    // Connect and settle with a steady reading, then depth 1.
    for (int i = 0; i < 20; ++i) {
        writeReading(500);
        d.GetReFlashRate32(rates);
        d.GetNewData32Ch(&block);
        std::this_thread::sleep_for(50ms);
    }
    d.SetFilter(1);

    // The gauge writes on its own thread at random moments, so that frames
    // meet the driver's tick and the host's poll at every phase.
    struct Pending {
        std::mutex m;
        int32_t value = 0;
        Clock::time_point written{};
        bool seen = true;
    } pending;
    std::atomic<bool> done{false};
    std::thread gauge([&] {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> gapMs(100, 200);
        for (int s = 0; s < samples; ++s) {
            const uint32_t display = 1000 + static_cast<uint32_t>(s % 2) * 1000;
            {
                std::lock_guard lock(pending.m);
                pending.value = static_cast<int32_t>(2 * display);
                pending.written = Clock::now();
                pending.seen = false;
                writeReading(display);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(gapMs(rng)));
        }
        done = true;
    });
    std::vector<double> latencies;
    long updates = 0;
    auto nextPoll = Clock::now();
    while (!done) {
        std::this_thread::sleep_until(nextPoll);
        nextPoll += std::chrono::milliseconds(o.hostMs);
        d.GetReFlashRate32(rates);
        d.GetNewData32Ch(&block);
        const auto now = Clock::now();
        if (block.updated[0]) ++updates;
        std::lock_guard lock(pending.m);
        if (!pending.seen && block.updated[0] && block.value[0] == pending.value) {
            latencies.push_back(std::chrono::duration<double, std::milli>(now - pending.written).count());
            pending.seen = true;
        }
    }
    gauge.join();
    if (latencies.empty()) {
        std::printf("latency: no reading arrived (%ld results with channel 1)\n", updates);
        return 1;
    }
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) {
        return latencies[static_cast<std::size_t>(q * static_cast<double>(latencies.size() - 1))];
    };
    std::printf("latency: format 3 frames written to the pty, host every %d ms, depth 1, %zu of %d readings seen\n",
                o.hostMs, latencies.size(), samples);
    std::printf("  min %.1f ms, median %.1f ms, 90%% %.1f ms, max %.1f ms (goal: median under %d ms)\n", at(0), at(0.5),
                at(0.9), latencies.back(), 50 + o.hostMs);
    close(master);
    return 0;
}

int MeasureLoss(const Options& o, Driver& d) {
    const double seconds = o.seconds > 0 ? o.seconds : 10;
    const char* channels = o.format == 0 ? "1-16" : "1-32";
    // The gauges fall silent after `seconds`; the table printed after that
    // holds the final count of frames sent.
    // They are silent for the first second too, while the driver connects.
    char silence[64];
    std::snprintf(silence, sizeof silence, "1-32@%.1f+100000", seconds + 1);
    Sim sim;
    if (!sim.Start(o.gaugesim, {"--format", std::to_string(o.format), "--baud", std::to_string(o.baud), "--channels",
                                channels, "--motion", "sine", "--com", "1", "--table", "0.5", "--silence", "1-32@0+1",
                                "--silence", silence})) {
        std::fprintf(stderr, "vexla_measure: gaugesim did not start\n");
        return 1;
    }
    VexlaDataBlock32 block{};
    int32_t rates[32];
    d.GetNewData32Ch(&block);  // connects; gaugesim has been pushing already
    d.SetFilter(1);            // one flag per reading: no gauge sends twice within a tick
    long long readings = 0;
    const auto start = Clock::now();
    auto lastUpdate = Clock::now();
    while (Clock::now() - start < std::chrono::duration<double>(seconds + 1.5) || Clock::now() - lastUpdate < 1500ms) {
        // Faster than the driver's tick, so every result is taken.
        d.GetReFlashRate32(rates);
        d.GetNewData32Ch(&block);
        for (int16_t u : block.updated)
            if (u) {
                ++readings;
                lastUpdate = Clock::now();
            }
        std::this_thread::sleep_for(5ms);
    }
    std::this_thread::sleep_for(700ms);  // one more table after the silence
    const auto sent = sim.CountsSoFar();
    // Every format counted alike: a reading is one gauge's value put on the
    // line (a block frame carries several), delivered when the host sees its
    // channel's update flag. At 5 readings a second a gauge never sends two
    // within one tick, so each reading can show as one flag.
    std::printf("loss: format %d at %d baud, %s gauges pushing at 5 per second for %.0f s\n", o.format, o.baud,
                channels, seconds);
    std::printf("  frames sent %lld, readings sent %lld, delivered %lld, lost %lld (%.2f %%)\n", sent.frames,
                sent.readings, readings, sent.readings - readings,
                sent.readings > 0
                    ? 100.0 * static_cast<double>(sent.readings - readings) / static_cast<double>(sent.readings)
                    : 0.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (a == "--seconds")
            o.seconds = std::atof(next().c_str());
        else if (a == "--format")
            o.format = std::atoi(next().c_str());
        else if (a == "--baud")
            o.baud = std::atoi(next().c_str());
        else if (a == "--host-ms")
            o.hostMs = std::atoi(next().c_str());
        else if (a == "--gaugesim")
            o.gaugesim = next();
        else if (a == "--library")
            o.library = next();
        else if (o.mode.empty())
            o.mode = a;
    }
    if (o.mode != "cpu" && o.mode != "idle" && o.mode != "latency" && o.mode != "loss") {
        std::fprintf(
            stderr, "usage: vexla_measure cpu|idle|latency|loss [--seconds S] [--format F] [--baud B] [--host-ms P]\n");
        return 2;
    }
    const std::string home =
        PrepareHome(o.mode == "loss" ? o.format : 3, o.mode == "latency" || o.mode == "idle" ? 115200 : o.baud);
    vexla::host::DriverLibrary library(o.library);
    auto bound = library.Bind(kUsed);
    if (!bound) {
        std::fprintf(stderr, "vexla_measure: %s\n", bound.Failure().Text().c_str());
        return 1;
    }
    Driver& d = *bound;
    int rc = 1;
    if (o.mode == "cpu") rc = MeasureCpu(o, d);
    if (o.mode == "idle") rc = MeasureIdle(o, d);
    if (o.mode == "latency") rc = MeasureLatency(o, d);
    if (o.mode == "loss") rc = MeasureLoss(o, d);
    d.DLL_End_Application();
    std::error_code ignored;
    fs::remove_all(home, ignored);
    return rc;
}
