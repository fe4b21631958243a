// kestrow: the operator's 32-channel monitor in a terminal. Loads the driver
// library, shows every channel's value, displacement and rate (or its
// displacement's extremes), judges displacements against tolerance limits,
// and sends the user's zero and hardware commands. Plain text when the
// output is no terminal.

#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "channel_statistics.h"
#include "host/driver_library.h"
#include "monitor/model/monitor_model.h"
#include "terminal_session.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void OnStopSignal(int) {
    stopRequested = 1;
}

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: the wait for a key returns at once.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    // A reader of the plain table that goes away is an error of the write.
    std::signal(SIGPIPE, SIG_IGN);
}

// The Chinese texts need a UTF-8 character type; a session without one (a
// plain "C" locale) gets C.UTF-8 for it.
bool UseUtf8() {
    std::setlocale(LC_ALL, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0) return true;
    return std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}

const char kUsage[] =
    "usage: kestrow [--library PATH] [--segment N] [--limits FILE] [--seconds N] [--help]\n"
    "\n"
    "The operator's monitor of 32 dial-gauge channels in a terminal.\n"
    "  --library PATH  the driver library (default: libVexla.so beside kestrow,\n"
    "                  else the system's)\n"
    "  --segment N     the network segment 0..255, which names the driver's configuration\n"
    "                  file (default 1)\n"
    "  --limits FILE   tolerance limits per channel (lines of channel, nominal, lower\n"
    "                  and upper tolerance in mm, name): displacements outside are\n"
    "                  coloured; the plain table adds OK, LOW or HIGH\n"
    "  --seconds N     end after N seconds (default 0: until q, Esc or Ctrl-C)\n"
    "\n"
    "Keys: arrows or the mouse choose a cell; Enter zeroes the chosen channel's\n"
    "gauge (display column) or displacement; z zeroes all displacements; f and s\n"
    "zero the gauges and turn them fast or slow; h switches the gauge type,\n"
    "m the display mode; t switches between the readings and each displacement's\n"
    "minimum, maximum and range since the last reset; r resets those (zeroing a\n"
    "displacement and switching h or m do too: the numbers jump or change unit);\n"
    "q or Esc quits. When standard output is not a terminal kestrow prints the\n"
    "table of the channels once a second instead.\n";

bool ParseNumber(const char* text, double& value, double lowest, double highest) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= lowest && value <= highest;
}

}  // namespace

int main(int argc, char** argv) {
    namespace t = vexla::monitor::terminal;
    std::string library;
    double segment = vexla::monitor::MonitorModel::kDefaultSegment;
    t::RunOptions options;
    std::optional<std::string> limitsPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--library" && hasValue) {
            library = argv[++i];
        } else if (arg == "--limits" && hasValue) {
            limitsPath = argv[++i];
        } else if (arg == "--segment" && hasValue && ParseNumber(argv[i + 1], segment, 0, 255) &&
                   segment == static_cast<int>(segment)) {
            ++i;
        } else if (arg == "--seconds" && hasValue && ParseNumber(argv[i + 1], options.seconds, 0, 1e9)) {
            ++i;
        } else {
            std::fprintf(stderr, "kestrow: bad argument %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    if (!UseUtf8()) {
        std::fputs("kestrow: no UTF-8 locale (set LANG, e.g. LANG=C.UTF-8)\n", stderr);
        return 1;
    }
    vexla::quality::LimitsTable limits;
    if (limitsPath) {
        vexla::quality::LimitsParse parse = vexla::quality::LoadLimitsFile(*limitsPath);
        // Asked for limits, the operator would take a file without any (a
        // wrong or empty one) for every channel being in tolerance.
        if (parse.error.empty() && parse.table.Empty()) {
            parse.error = *limitsPath;
            parse.error += ": no channel has limits";
        }
        if (!parse.error.empty()) {
            std::fprintf(stderr, "kestrow: %s\n", parse.error.c_str());
            return 1;
        }
        limits = std::move(parse.table);
    }
    if (library.empty()) library = vexla::host::LibraryBesideProgram();
    vexla::host::DriverLibrary driverLibrary(library);
    const auto exports = driverLibrary.Bind(vexla::monitor::kMonitorExports);
    if (!exports) {
        const char* what = driverLibrary.Loaded() ? "cannot bind" : "cannot load the driver library";
        std::fprintf(stderr, "kestrow: %s %s\n", what, exports.Failure().Text().c_str());
        return 1;
    }

    InstallStopHandlers();
    vexla::host::BoundDriver driver(*exports);
    t::BlockTap tap(driver);
    vexla::monitor::MonitorModel model(tap, static_cast<uint32_t>(segment));
    t::ChannelStatistics statistics(std::move(limits));
    t::Monitor monitor{model, tap, statistics};
    model.FormCreate();
    bool written = true;
    const bool onTerminal = isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0;
    if (!onTerminal || !t::RunOnTerminal(monitor, options, stopRequested)) {
        if (onTerminal) std::fputs("kestrow: this terminal cannot be drawn on (TERM?); plain text instead\n", stderr);
        written = t::RunPlain(monitor, options, stopRequested);
    }
    // The terminal is already restored: the driver's end comes last.
    model.FormClose();
    if (!written) {
        std::fputs("kestrow: the output could not be written\n", stderr);
        return 1;
    }
    return 0;
}
