// kestrow: the operator's 32-channel monitor in a terminal. Loads the driver
// library, shows every channel's value, displacement and rate (or its
// displacement's extremes), judges displacements against tolerance limits,
// and sends the user's zero and hardware commands. Plain text when the
// output is no terminal.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "base/posix/stop_signals.h"
#include "channel_statistics.h"
#include "host/driver_library.h"
#include "kestrow_options.h"
#include "monitor/model/monitor_model.h"
#include "terminal_session.h"
#include "ui/terminal/utf8_locale.h"

int main(int argc, char** argv) {
    namespace t = vexla::monitor::terminal;
    const auto parsed = t::ParseKestrowOptions(argc, argv);
    if (!parsed) {
        std::fprintf(stderr, "kestrow: %s\n%s", parsed.Failure().reason.c_str(), t::kKestrowUsage);
        return 2;
    }
    if (parsed->help) {
        std::fputs(t::kKestrowUsage, stdout);
        return 0;
    }
    const t::KestrowOptions& options = parsed->options;
    if (!vexla::ui::terminal::UseUtf8Locale()) {
        std::fputs("kestrow: no UTF-8 locale (set LANG, e.g. LANG=C.UTF-8)\n", stderr);
        return 1;
    }
    vexla::quality::LimitsTable limits;
    if (options.limits) {
        const std::string& limitsPath = *options.limits;
        vexla::Result<vexla::quality::LimitsTable> loaded = vexla::quality::LoadLimitsFile(limitsPath);
        // Asked for limits, the operator would take a file without any (a
        // wrong or empty one) for every channel being in tolerance.
        if (loaded && loaded->Empty()) loaded = vexla::Error{limitsPath, "no channel has limits"};
        if (!loaded) {
            std::fprintf(stderr, "kestrow: %s\n", loaded.Failure().Text().c_str());
            return 1;
        }
        limits = std::move(*loaded);
    }
    vexla::quality::ControlLimitsTable controlLimits;
    if (options.controlLimits) {
        vexla::Result<vexla::quality::ControlLimitsTable> loaded =
            vexla::quality::LoadControlLimitsFile(*options.controlLimits);
        if (!loaded) {
            std::fprintf(stderr, "kestrow: %s\n", loaded.Failure().Text().c_str());
            return 1;
        }
        controlLimits = *loaded;
    }
    vexla::host::DriverLibrary driverLibrary(options.library.empty() ? vexla::host::LibraryBesideProgram()
                                                                     : options.library);
    const auto exports = driverLibrary.Bind(vexla::monitor::kMonitorExports);
    if (!exports) {
        const char* what = driverLibrary.Loaded() ? "cannot bind" : "cannot load the driver library";
        std::fprintf(stderr, "kestrow: %s %s\n", what, exports.Failure().Text().c_str());
        return 1;
    }

    const volatile std::sig_atomic_t& stopRequested = vexla::CatchStopSignals();
    vexla::host::BoundDriver driver(*exports);
    t::BlockTap tap(driver);
    vexla::monitor::MonitorModel model(tap, options.segment);
    t::ChannelStatistics statistics(std::move(limits), controlLimits);
    t::Monitor monitor{model, tap, statistics};
    model.FormCreate();
    bool written = true;
    const bool onTerminal = isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0;
    if (!onTerminal || !t::RunOnTerminal(monitor, options.run, stopRequested)) {
        if (onTerminal) std::fputs("kestrow: this terminal cannot be drawn on (TERM?); plain text instead\n", stderr);
        written = t::RunPlain(monitor, options.run, stopRequested);
    }
    // The terminal is already restored: the driver's end comes last.
    model.FormClose();
    if (!written) {
        std::fputs("kestrow: the output could not be written\n", stderr);
        return 1;
    }
    return 0;
}
