#include "kestrow_options.h"

#include <cstdlib>

namespace vexla::monitor::terminal {

const char kKestrowUsage[] =
    "usage: kestrow [--library PATH] [--segment N] [--limits FILE] [--control-limits FILE]\n"
    "               [--seconds N] [--help]\n"
    "\n"
    "The operator's monitor of 32 dial-gauge channels in a terminal.\n"
    "  --library PATH  the driver library (default: libVexla.so beside kestrow,\n"
    "                  else the system's)\n"
    "  --segment N     the network segment 0..255, which names the driver's configuration\n"
    "                  file (default 1)\n"
    "  --limits FILE   tolerance limits per channel (lines of channel, nominal, lower\n"
    "                  and upper tolerance in mm, name): displacements outside are\n"
    "                  coloured; the plain table adds OK, LOW or HIGH\n"
    "  --control-limits FILE\n"
    "                  control limits per channel, as vexla-rec --save-control-limits\n"
    "                  keeps them: the statistics view (t) shows each such channel's\n"
    "                  individuals chart, in control (受控) or not and the rule last broken\n"
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

namespace {

bool ParseNumber(const char* text, double& value, double lowest, double highest) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= lowest && value <= highest;
}

}  // namespace

ParsedCommandLine<KestrowOptions> ParseKestrowOptions(int argc, const char* const* argv) {
    CommandLine<KestrowOptions> line;
    KestrowOptions& options = line.options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        double segment = 0;
        if (arg == "--help" || arg == "-h") {
            line.help = true;
            return line;
        }
        if (arg == "--library" && hasValue) {
            options.library = argv[++i];
        } else if (arg == "--limits" && hasValue) {
            options.limits = argv[++i];
        } else if (arg == "--control-limits" && hasValue) {
            options.controlLimits = argv[++i];
        } else if (arg == "--segment" && hasValue && ParseNumber(argv[i + 1], segment, 0, 255) &&
                   segment == static_cast<int>(segment)) {
            options.segment = static_cast<uint32_t>(segment);
            ++i;
        } else if (arg == "--seconds" && hasValue && ParseNumber(argv[i + 1], options.run.seconds, 0, 1e9)) {
            ++i;
        } else {
            return BadCommandLine("bad argument " + arg);
        }
    }
    return line;
}

}  // namespace vexla::monitor::terminal
