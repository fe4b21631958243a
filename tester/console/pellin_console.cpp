#include "pellin_console.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "tester/model/tester_texts.h"

namespace vexla::tester::console {

const char kUsage[] =
    "usage: pellin [--library PATH] [--seconds N] [--print-every S] [--thousandth] [--quit-on-eof] [--help]\n"
    "\n"
    "The driver's test program on a console: binds each driver function by name at\n"
    "its first call, fetches the rates and the newest data every 50 ms and prints the\n"
    "32 channels' display value, displacement and update rate as a table.\n"
    "  --library PATH   the driver library (default: libVexla.so beside pellin, else the system's)\n"
    "  --seconds N      end after N seconds (default 0: until q, Ctrl-C, SIGTERM or SIGHUP)\n"
    "  --print-every S  print the table every S seconds (default 1; 0: only at the end)\n"
    "  --thousandth     start as 千分表 (four decimals) instead of 百分表 (three)\n"
    "  --quit-on-eof    end when standard input ends (otherwise it runs on)\n"
    "\n"
    "Commands, one per line on standard input:\n"
    "  1         全部位移重置: zero every channel's displacement\n"
    "  2         全部硬件重置: zero every gauge in hardware\n"
    "  3 TEXT    zero the displacement of the channel that TEXT names (e.g. 3 15)\n"
    "  4 TEXT    zero that channel's gauge in hardware\n"
    "  t         switch between 千分表 and 百分表\n"
    "  q         quit\n"
    "\n"
    "Exit status: 0 after a normal end, 1 when the table could not be written,\n"
    "2 for bad arguments or a driver library or function that cannot be bound.\n";

namespace {

constexpr std::string_view kBlanks = " \t";

bool ParseSeconds(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    // NaN fails the comparisons too.
    return end != text && *end == '\0' && value >= 0 && value <= 1e9;
}

}  // namespace

ParsedCommandLine<Options> ParseOptions(int argc, const char* const* argv, std::string defaultLibrary) {
    CommandLine<Options> line;
    Options& options = line.options;
    options.library = std::move(defaultLibrary);
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--thousandth") {
            options.thousandth = true;
        } else if (arg == "--quit-on-eof") {
            options.quitOnEof = true;
        } else if (arg == "--library" && value != nullptr && *value != '\0') {
            options.library = value;
            ++i;
        } else if (arg == "--seconds" && value != nullptr && ParseSeconds(value, options.seconds)) {
            ++i;
        } else if (arg == "--print-every" && value != nullptr && ParseSeconds(value, options.printEvery)) {
            ++i;
        } else {
            const bool takesValue = arg == "--library" || arg == "--seconds" || arg == "--print-every";
            return BadCommandLine(!takesValue        ? "unknown argument " + std::string(arg)
                                  : value == nullptr ? std::string(arg) + " needs a value"
                                                     : "bad value for " + std::string(arg) + ": \"" + value + "\"");
        }
    }
    return line;
}

Command ParseCommand(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    const auto start = line.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) return {};
    line.remove_prefix(start);
    const std::string_view word = line.substr(0, line.find_first_of(kBlanks));
    std::string_view rest = line.substr(word.size());
    const auto textStart = rest.find_first_not_of(kBlanks);
    rest = textStart == std::string_view::npos ? std::string_view() : rest.substr(textStart);

    if (word == "3" || word == "4")
        return {word == "3" ? CommandKind::ZeroChannelDisplacement : CommandKind::ZeroChannelGauge, std::string(rest)};
    if (!rest.empty()) return {CommandKind::Unknown, std::string(line)};
    if (word == "1") return {CommandKind::ZeroAllDisplacements, {}};
    if (word == "2") return {CommandKind::ZeroAllGauges, {}};
    if (word == "t") return {CommandKind::ToggleGaugeType, {}};
    if (word == "q") return {CommandKind::Quit, {}};
    return {CommandKind::Unknown, std::string(line)};
}

void LineSplitter::Feed(std::string_view bytes, std::vector<Line>& lines) {
    while (!bytes.empty()) {
        const auto end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (!overflow_ && pending_.size() + piece.size() <= kMaxLine) {
            pending_ += piece;
        } else {
            overflow_ = true;
            pending_.clear();
        }
        if (end == std::string_view::npos) return;
        lines.push_back({std::exchange(pending_, {}), std::exchange(overflow_, false)});
        bytes.remove_prefix(end + 1);
    }
}

std::optional<LineSplitter::Line> LineSplitter::Finish() {
    if (pending_.empty() && !overflow_) return std::nullopt;
    return Line{std::exchange(pending_, {}), std::exchange(overflow_, false)};
}

int DisplayCells(std::string_view utf8) {
    int cells = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                          (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                          (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6);
        cells += wide ? 2 : 1;
        i += length;
    }
    return cells;
}

namespace {

// Long2String's twelve characters and " mm".
constexpr int kValueCells = 15;

void AddPadded(std::string& out, std::string_view text, int cells) {
    out += text;
    for (int n = DisplayCells(text); n < cells; ++n) out += ' ';
}

}  // namespace

std::string Table(const TesterModel& model, double seconds) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "-- %.1f s  ", seconds);
    std::string out = stamp;
    out += model.Thousandth() ? texts::kThousandth : texts::kPercent;
    out += " --\n通道  ";
    AddPadded(out, texts::kHeadings[0], kValueCells);
    out += "  ";
    AddPadded(out, texts::kHeadings[1], kValueCells);
    out += "  ";
    out += texts::kHeadings[2];
    out += '\n';
    for (int i = 0; i < kChannels; ++i) {
        char label[8];
        std::snprintf(label, sizeof label, "%3d#  ", i + 1);
        out += label;
        AddPadded(out, model.Box(ValueBox(i)), kValueCells);
        out += "  ";
        AddPadded(out, model.Box(DisplacementBox(i)), kValueCells);
        out += "  ";
        out += model.Box(RateBox(i));
        out += '\n';
    }
    return out;
}

}  // namespace vexla::tester::console
