#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <string>

#include "station_terminal.h"
#include "ui/terminal/tick_clock.h"

namespace vexla::station::terminal {

using ui::terminal::TickClock;

namespace {

// Parts wait this long after the start for every gauge's first reading; a
// gauge silent after that is missing from them, as it would be on screen.
constexpr double kSettleSeconds = 3;

bool AllReading(const Station& station) {
    for (int channel : station.Channels())
        if (station.Tile(channel).silent) return false;
    return true;
}

bool Print(const std::string& line) {
    return std::fwrite(line.data(), 1, line.size(), stdout) == line.size() && std::fflush(stdout) == 0;
}

}  // namespace

bool RunPlain(StationSession& session, const volatile std::sig_atomic_t& stop) {
    TickClock clock(std::chrono::milliseconds(50), 0);
    std::deque<std::string> identities;
    std::string partial;
    bool ended = false;
    while (stop == 0) {
        if (!ended) {
            pollfd input{STDIN_FILENO, POLLIN, 0};
            if (::poll(&input, 1, clock.MillisecondsToNextTick()) > 0) {
                char buffer[4096];
                const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
                if (n <= 0) {
                    ended = true;
                    // A last line without its line end is a part too.
                    if (!partial.empty()) identities.push_back(std::move(partial));
                } else {
                    for (char c : std::string_view(buffer, static_cast<std::size_t>(n))) {
                        if (c != '\n') {
                            partial += c;
                            continue;
                        }
                        if (!partial.empty() && partial.back() == '\r') partial.pop_back();
                        identities.push_back(std::move(partial));
                        partial.clear();
                    }
                }
            }
        } else if (identities.empty()) {
            return true;
        } else {
            ::usleep(static_cast<useconds_t>(clock.MillisecondsToNextTick()) * 1000);
        }
        if (clock.Due()) session.Tick();
        const bool ready = AllReading(session.Model()) || clock.Elapsed() >= kSettleSeconds;
        while (ready && !identities.empty()) {
            const PartResult part = session.Capture(identities.front());
            identities.pop_front();
            const std::string id = part.identity.id.empty() ? "-" : part.identity.id;
            if (!Print(std::to_string(part.number) + " " + id + " " + part.Text(session.Model()) + "\n")) return false;
            if (const Status& records = session.RecordsStatus(); !records)
                std::fprintf(stderr, "vexla-station: %s\n", records.Failure().Text().c_str());
        }
    }
    return true;
}

}  // namespace vexla::station::terminal
