#include "station_options.h"

namespace vexla::station::terminal {

const char kStationUsage[] =
    "usage: vexla-station [--station FILE] [--library PATH] [--help]\n"
    "\n"
    "The operator's inspection station in a terminal: a tile per characteristic,\n"
    "OK or NOK per part, the day's records, the selected characteristic's chart.\n"
    "  --station FILE  the station file (default: VexlaStation.ini in the driver's\n"
    "                  configuration folder, ~/.config/系统配置)\n"
    "  --library PATH  the driver library (default: libVexla.so beside the program,\n"
    "                  else the system's)\n"
    "\n"
    "Keys: typed characters (or a barcode scanner) give the part's identity;\n"
    "Enter, Space or the station's capture key capture the part (with\n"
    "scan_then_capture = 0 the first Enter after an identity only completes it);\n"
    "F2 zeroes on the master, F3 writes the report, F5 starts a new shift,\n"
    "Tab and the arrows choose the characteristic of the chart, Esc clears the\n"
    "identity, F10 quits. When standard output is not a terminal each line of\n"
    "standard input is a part's identity and each part's verdict is printed.\n";

ParsedCommandLine<StationOptions> ParseStationOptions(int argc, const char* const* argv) {
    CommandLine<StationOptions> line;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc && argv[i + 1][0] != '\0';
        if (arg == "--help" || arg == "-h") {
            line.help = true;
            return line;
        }
        if (arg == "--station" && hasValue) {
            line.options.stationFile = argv[++i];
        } else if (arg == "--library" && hasValue) {
            line.options.library = argv[++i];
        } else {
            return BadCommandLine("bad argument " + arg);
        }
    }
    return line;
}

}  // namespace vexla::station::terminal
