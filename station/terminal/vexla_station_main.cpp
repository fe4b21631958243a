// vexla-station: the operator's inspection station in a terminal. Reads the
// station file, binds the driver, shows a tile per characteristic and
// captures parts into the day's records; as plain text when the output is
// no terminal.

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>

#include "base/posix/stop_signals.h"
#include "station/model/station_session.h"
#include "station_options.h"
#include "station_terminal.h"
#include "terminal_texts.h"
#include "ui/terminal/utf8_locale.h"

namespace {

namespace st = vexla::station;

int Run(const st::terminal::StationOptions& options) {
    st::StationSession session({options.stationFile, options.library});
    const st::terminal::TerminalTexts& own = st::terminal::TerminalTextsFor(session.Settings().language);

    // Said on standard error in any case: the screen's message line shows
    // them only until the first part.
    std::string notice;
    for (const std::string& problem : session.Problems()) {
        std::fprintf(stderr, "vexla-station: %s\n", problem.c_str());
        notice += (notice.empty() ? "" : "; ") + problem;
    }
    if (session.FirstStart()) {
        // No setup dialog here: the defaults go into the file to be edited.
        const vexla::Status saved = session.SaveSettings();
        const std::string said =
            saved ? own.defaultsWritten + session.StationFile() : std::string(own.failed) + saved.Failure().Text();
        std::fprintf(stderr, "vexla-station: %s\n", said.c_str());
        notice += (notice.empty() ? "" : "; ") + said;
    }

    const vexla::Status started = session.Start();
    if (!started) {
        std::fprintf(stderr, "vexla-station: %s\n", started.Failure().Text().c_str());
        return 1;
    }
    const volatile std::sig_atomic_t& stop = vexla::CatchStopSignals();
    bool written = true;
    const bool onTerminal = isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0;
    if (!onTerminal || !st::terminal::RunOnTerminal(session, notice, stop)) {
        if (onTerminal) std::fputs("vexla-station: this terminal cannot be drawn on (TERM?); plain text\n", stderr);
        written = st::terminal::RunPlain(session, stop);
    }
    // The terminal is already restored: the driver's end comes last.
    session.End();
    if (!written) {
        std::fputs("vexla-station: the output could not be written\n", stderr);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const auto parsed = st::terminal::ParseStationOptions(argc, argv);
    if (!parsed) {
        std::fprintf(stderr, "vexla-station: %s\n%s", parsed.Failure().reason.c_str(), st::terminal::kStationUsage);
        return 2;
    }
    if (parsed->help) {
        std::fputs(st::terminal::kStationUsage, stdout);
        return 0;
    }
    if (!vexla::ui::terminal::UseUtf8Locale()) {
        std::fputs("vexla-station: no UTF-8 locale (set LANG, e.g. LANG=C.UTF-8)\n", stderr);
        return 1;
    }
    try {
        return Run(parsed->options);
    } catch (const std::exception& e) {
        // The terminal is restored by then: the screen's owner is gone.
        std::fprintf(stderr, "vexla-station: %s\n", e.what());
        return 1;
    }
}
