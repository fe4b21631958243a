// gaugesim: the gauge-network simulator on a pty or a serial device.

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "network.h"
#include "options.h"
#include "serial_endpoint.h"

namespace {

using vexla::sim::Micros;

constexpr Micros kBatch{2000};

int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const int saved = errno;
    const char b = 1;
    (void)!write(gSignalPipe[1], &b, 1);
    errno = saved;
}

bool InstallSignals() {
    if (pipe(gSignalPipe) != 0) return false;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return true;
}

std::string Stamp(Micros t) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "[%9.3f] ", std::chrono::duration<double>(t).count());
    return buffer;
}

const char* StateName(vexla::sim::GaugeState s) {
    switch (s) {
        case vexla::sim::GaugeState::Fast:
            return "fast";
        case vexla::sim::GaugeState::Standard:
            return "standard";
        case vexla::sim::GaugeState::Hold:
            return "hold";
    }
    return "?";
}

void PrintTable(const vexla::sim::Network& net, Micros now) {
    const auto& s = net.Stats();
    std::printf("%sch  kind    state     display mm  position count\n", Stamp(now).c_str());
    for (uint8_t c = 0; c < vexla::sim::kGauges; ++c) {
        const auto& g = net.gauges[c];
        if (!g.present) continue;
        const auto shown = net.ShownBy(c);
        const bool fine = g.kind == vexla::sim::GaugeKind::Thousandth;
        const double mm = static_cast<double>(shown.value) / static_cast<double>(vexla::sim::UnitsPerMm(g.kind));
        std::printf("            %2d  %-6s  %-8s  %10.*f  %10d%s\n", c + 1, fine ? "0.001" : "0.01", StateName(g.state),
                    fine ? 3 : 2, mm, shown.position, g.silent ? "  silent" : "");
    }
    std::printf(
        "            line: %llu bytes, %llu frames, %llu readings, %llu polls, %llu commands, %llu noise, "
        "%llu dropped, %llu corrupt\n",
        static_cast<unsigned long long>(s.bytes), static_cast<unsigned long long>(s.frames),
        static_cast<unsigned long long>(s.readings), static_cast<unsigned long long>(s.polls),
        static_cast<unsigned long long>(s.commands), static_cast<unsigned long long>(s.noiseBytes),
        static_cast<unsigned long long>(s.droppedBytes), static_cast<unsigned long long>(s.corruptFrames));
}

class Simulator {
  public:
    explicit Simulator(const vexla::sim::Options& o) : options_(o), net_(o.network) {
        for (std::size_t c = 0; c < vexla::sim::kGauges; ++c) {
            auto& g = net_.gauges[c];
            g.present = (o.channels >> c & 1) != 0;
            g.kind = o.kinds[c];
            g.motion = o.motions[c];
            g.Advance(Micros(0));
            if (o.initialState != vexla::sim::GaugeState::Standard)
                g.Obey(o.initialState == vexla::sim::GaugeState::Fast ? 0 : 4);
        }
        net_.log = [](Micros t, std::string_view text) {
            std::printf("%s%.*s\n", Stamp(t).c_str(), static_cast<int>(text.size()), text.data());
        };
    }

    int Run() {
        if (!OpenLine(Micros(0))) return 1;
        const auto start = std::chrono::steady_clock::now();
        const Micros end = Seconds(options_.durationSeconds);
        const Micros tableEvery = Seconds(options_.tableSeconds);
        Micros nextTable = tableEvery;
        std::vector<uint8_t> in, out;
        while (true) {
            const Micros now = std::chrono::duration_cast<Micros>(std::chrono::steady_clock::now() - start);
            if (end.count() > 0 && now >= end) break;

            const bool down = LineDownAt(now);
            if (down && endpoint_.IsOpen()) {
                CloseLine();
                std::printf("%sline down\n", Stamp(now).c_str());
            } else if (!down && !endpoint_.IsOpen()) {
                if (!OpenLine(now)) return 1;
                net_.LineRestored();
            }

            in.clear();
            if (readable_ && endpoint_.IsOpen() && (hungUp_ || !endpoint_.Read(in))) {
                std::fprintf(stderr, "gaugesim: %s has gone\n", endpoint_.Path().c_str());
                return 1;
            }
            if (!in.empty()) net_.Receive(in, now);
            net_.Advance(now);
            out.clear();
            net_.TakeOutput(now, out);
            if (endpoint_.IsOpen()) endpoint_.Write(out);

            if (tableEvery.count() > 0 && now >= nextTable) {
                PrintTable(net_, now);
                nextTable += tableEvery;
                if (nextTable <= now) nextTable = now + tableEvery;
            }

            // Handing the line's bytes over in batches of a few milliseconds
            // keeps the wake-ups (the main cost) at a few hundred a second;
            // polls are still answered on time.
            Micros wake = net_.NextWake(now, kBatch);
            if (tableEvery.count() > 0) wake = std::min(wake, nextTable);
            if (end.count() > 0) wake = std::min(wake, end);
            for (const auto& w : options_.lineDown) {
                if (w.from > now) wake = std::min(wake, w.from);
                if (w.until > now) wake = std::min(wake, w.until);
            }
            const auto waitUs = std::max<int64_t>((wake - now).count(), 100);
            if (!Wait(Micros(waitUs))) break;
        }
        CloseLine();
        return 0;
    }

  private:
    static Micros Seconds(double s) { return Micros(static_cast<int64_t>(std::llround(s * 1e6))); }

    bool LineDownAt(Micros now) const {
        for (const auto& w : options_.lineDown)
            if (w.Contains(now)) return true;
        return false;
    }

    bool OpenLine(Micros now) {
        auto opened = options_.device.empty()
                          ? vexla::sim::SerialEndpoint::CreatePty(options_.network.baud)
                          : vexla::sim::SerialEndpoint::OpenDevice(options_.device, options_.network.baud);
        if (!opened) {
            std::fprintf(stderr, "gaugesim: %s\n", opened.Failure().Text().c_str());
            return false;
        }
        endpoint_ = std::move(*opened);
        std::vector<std::string> links;
        if (options_.com > 0) links = vexla::sim::ComLinkPaths(options_.com);
        if (!options_.link.empty()) links.push_back(options_.link);
        for (const std::string& path : links) {
            auto link = vexla::sim::ScopedSymlink::Make(path, endpoint_.Path());
            if (!link) {
                std::fprintf(stderr, "gaugesim: %s\n", link.Failure().Text().c_str());
                return false;
            }
            links_.push_back(std::move(*link));
        }
        std::printf("%s%s: %s\n", now.count() > 0 ? Stamp(now).c_str() : "", options_.device.empty() ? "pty" : "device",
                    endpoint_.Path().c_str());
        if (now.count() == 0)
            std::printf("format %d at %u baud, gauges %s\n", options_.network.format, options_.network.baud,
                        vexla::sim::ChannelList(options_.channels).c_str());
        for (const auto& l : links_) std::printf("link: %s -> %s\n", l.Link().c_str(), endpoint_.Path().c_str());
        return true;
    }

    void CloseLine() {
        links_.clear();
        endpoint_.Close();
    }

    // False when a signal asks us to stop.
    bool Wait(Micros timeout) {
        pollfd fds[2] = {{gSignalPipe[0], POLLIN, 0}, {endpoint_.Fd(), POLLIN, 0}};
        const timespec ts{static_cast<time_t>(timeout.count() / 1000000),
                          static_cast<long>(timeout.count() % 1000000 * 1000)};
        const int n = ppoll(fds, endpoint_.IsOpen() ? 2 : 1, &ts, nullptr);
        readable_ = n > 0 && fds[1].revents != 0;
        hungUp_ = n > 0 && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        return !(n > 0 && (fds[0].revents & POLLIN));
    }

    vexla::sim::Options options_;
    vexla::sim::Network net_;
    vexla::sim::SerialEndpoint endpoint_;
    std::vector<vexla::sim::ScopedSymlink> links_;
    bool readable_ = true;
    bool hungUp_ = false;  // a device that went away (unplugged adapter)
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    const auto parsed = vexla::sim::ParseArguments(args);
    if (!parsed) {
        std::fprintf(stderr, "gaugesim: %s\nTry 'gaugesim --help' for the options.\n", parsed.Failure().reason.c_str());
        return 2;
    }
    if (parsed->help) {
        std::fputs(vexla::sim::UsageText().c_str(), stdout);
        return 0;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (!InstallSignals()) {
        std::perror("gaugesim");
        return 1;
    }
    return Simulator(parsed->options).Run();
}
