#include "options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "base/whole_number.h"

namespace vexla::sim {
namespace {

constexpr std::array<uint32_t, 8> kBauds = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

std::optional<double> ParseNumber(std::string_view text, double low, double high) {
    if (text.empty() || text.size() > 64) return std::nullopt;
    const std::string s(text);
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v) || v < low || v > high) return std::nullopt;
    return v;
}

std::optional<std::vector<double>> ParseNumberList(std::string_view text) {
    std::vector<double> out;
    while (true) {
        const auto comma = text.find(',');
        const auto v = ParseNumber(text.substr(0, comma), -1e6, 1e6);
        if (!v) return std::nullopt;
        out.push_back(*v);
        if (comma == std::string_view::npos) return out;
        text.remove_prefix(comma + 1);
    }
}

// "T+D": from T seconds after the start, for D seconds.
std::optional<TimeWindow> ParseWindow(std::string_view text) {
    const auto plus = text.find('+');
    if (plus == std::string_view::npos) return std::nullopt;
    const auto from = ParseNumber(text.substr(0, plus), 0, 1e7);
    const auto length = ParseNumber(text.substr(plus + 1), 0.001, 1e7);
    if (!from || !length) return std::nullopt;
    const auto us = [](double s) { return Micros(static_cast<int64_t>(std::llround(s * 1e6))); };
    return TimeWindow{us(*from), us(*from) + us(*length)};
}

std::optional<MotionKind> ParseMotion(std::string_view text) {
    if (text == "still") return MotionKind::Still;
    if (text == "ramp") return MotionKind::Ramp;
    if (text == "sine") return MotionKind::Sine;
    if (text == "walk") return MotionKind::Walk;
    if (text == "script") return MotionKind::Script;
    return std::nullopt;
}

// "[LIST=]VALUE": the channels it applies to and the value.
std::pair<std::optional<uint32_t>, std::string_view> SplitTargets(std::string_view text) {
    const auto eq = text.find('=');
    if (eq == std::string_view::npos) return {0xFFFFFFFFu, text};
    return {ParseChannelList(text.substr(0, eq)), text.substr(eq + 1)};
}

}  // namespace

ParsedCommandLine<Options> ParseArguments(std::span<const std::string_view> args) {
    Options o;
    const auto fail = [](std::string message) { return BadCommandLine(std::move(message)); };
    bool formatGiven = false, layoutGiven = false;
    // Motion settings apply to every gauge; which motion each one makes is
    // chosen per channel and filled in at the end.
    Motion common;
    common.kind = MotionKind::Sine;
    std::array<MotionKind, kGauges> motionKinds;
    motionKinds.fill(MotionKind::Sine);
    std::array<std::optional<double>, kGauges> positions{};  // --position for some channels only
    o.kinds.fill(GaugeKind::Hundredth);

    // Asking for help wins over any mistake in the rest of the line.
    for (std::string_view arg : args) {
        if (arg == "--help" || arg == "-h") return CommandLine<Options>{{}, true};
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--log-polls") {
            o.network.logPolls = true;
            continue;
        }
        if (arg.substr(0, 2) != "--") return fail("unexpected argument '" + std::string(arg) + "'");
        if (i + 1 >= args.size()) return fail(std::string(arg) + " needs a value");
        const std::string_view value = args[++i];
        const std::string bad = "bad value '" + std::string(value) + "' for " + std::string(arg);

        if (arg == "--format") {
            const auto v = ParseWholeNumber(value, 0, 4);
            if (!v) return fail(bad + ": expected 0..4");
            o.network.format = static_cast<uint8_t>(*v);
            formatGiven = true;
        } else if (arg == "--channels") {
            const auto v = ParseChannelList(value);
            if (!v) return fail(bad + ": expected channels 1..32 such as 1-8,12");
            o.channels = *v;
        } else if (arg == "--baud") {
            const auto v = ParseWholeNumber(value, 1, 1000000);
            if (!v || std::find(kBauds.begin(), kBauds.end(), *v) == kBauds.end())
                return fail(bad + ": expected 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200");
            o.network.baud = static_cast<uint32_t>(*v);
        } else if (arg == "--kind") {
            const auto [mask, kind] = SplitTargets(value);
            if (!mask || (kind != "0.01" && kind != "0.001")) return fail(bad + ": expected [CHANNELS=]0.01 or 0.001");
            for (std::size_t c = 0; c < kGauges; ++c)
                if (*mask >> c & 1) o.kinds[c] = kind == "0.01" ? GaugeKind::Hundredth : GaugeKind::Thousandth;
        } else if (arg == "--motion") {
            const auto [mask, name] = SplitTargets(value);
            const auto kind = ParseMotion(name);
            if (!mask || !kind) return fail(bad + ": expected [CHANNELS=]still, ramp, sine, walk or script");
            for (std::size_t c = 0; c < kGauges; ++c)
                if (*mask >> c & 1) motionKinds[c] = *kind;
        } else if (arg == "--position") {
            const auto [mask, number] = SplitTargets(value);
            const auto v = mask ? ParseNumber(number, -1e4, 1e4) : std::nullopt;
            if (!v) return fail(bad + ": expected [CHANNELS=]millimetres");
            if (*mask == 0xFFFFFFFFu) {
                common.offsetMm = *v;
                positions.fill(std::nullopt);
            } else {
                for (std::size_t c = 0; c < kGauges; ++c)
                    if (*mask >> c & 1) positions[c] = *v;
            }
        } else if (arg == "--amplitude") {
            const auto v = ParseNumber(value, 0, 1e4);
            if (!v) return fail(bad + ": expected millimetres");
            common.amplitudeMm = *v;
        } else if (arg == "--period") {
            const auto v = ParseNumber(value, 0.01, 1e6);
            if (!v) return fail(bad + ": expected seconds (at least 0.01)");
            common.periodS = *v;
        } else if (arg == "--speed") {
            const auto v = ParseNumber(value, -1e4, 1e4);
            if (!v) return fail(bad + ": expected millimetres per second");
            common.speedMmPerS = *v;
        } else if (arg == "--script") {
            const auto v = ParseNumberList(value);
            if (!v) return fail(bad + ": expected positions in millimetres such as 0,0.5,-1.25");
            common.scriptMm = *v;
        } else if (arg == "--dwell") {
            const auto v = ParseNumber(value, 0.001, 1e6);
            if (!v) return fail(bad + ": expected seconds");
            common.dwellS = *v;
        } else if (arg == "--state") {
            if (value == "fast")
                o.initialState = GaugeState::Fast;
            else if (value == "standard")
                o.initialState = GaugeState::Standard;
            else if (value == "hold")
                o.initialState = GaugeState::Hold;
            else
                return fail(bad + ": expected fast, standard or hold");
        } else if (arg == "--fast-rate" || arg == "--standard-rate") {
            const auto v = ParseNumber(value, 0.1, 1000);
            if (!v) return fail(bad + ": expected readings per second, 0.1..1000");
            (arg == "--fast-rate" ? o.network.fastRate : o.network.standardRate) = *v;
        } else if (arg == "--turnaround") {
            const auto v = ParseNumber(value, 0, 1000);
            if (!v) return fail(bad + ": expected milliseconds, 0..1000");
            o.network.turnaround = Micros(static_cast<int64_t>(std::llround(*v * 1000)));
        } else if (arg == "--layout") {
            if (value == "record")
                o.network.layout = vexla::BlockLayout::Record;
            else if (value == "fixed")
                o.network.layout = vexla::BlockLayout::Fixed;
            else
                return fail(bad + ": expected record or fixed");
            layoutGiven = true;
        } else if (arg == "--noise") {
            const auto v = ParseNumber(value, 0, 1e5);
            if (!v) return fail(bad + ": expected bytes per second");
            o.network.faults.noisePerSecond = *v;
        } else if (arg == "--drop" || arg == "--corrupt") {
            const auto v = ParseNumber(value, 0, 1);
            if (!v) return fail(bad + ": expected a fraction 0..1");
            (arg == "--drop" ? o.network.faults.dropFraction : o.network.faults.corruptFraction) = *v;
        } else if (arg == "--silence") {
            const auto at = value.find('@');
            const auto mask = at == std::string_view::npos ? std::nullopt : ParseChannelList(value.substr(0, at));
            const auto when = at == std::string_view::npos ? std::nullopt : ParseWindow(value.substr(at + 1));
            if (!mask || !when) return fail(bad + ": expected CHANNELS@START+SECONDS such as 3@5+2");
            o.network.faults.silences.push_back({*mask, *when});
        } else if (arg == "--line-down") {
            const auto when = ParseWindow(value);
            if (!when) return fail(bad + ": expected START+SECONDS such as 10+3");
            o.lineDown.push_back(*when);
        } else if (arg == "--device") {
            if (value.empty()) return fail(bad + ": expected a path");
            o.device = value;
        } else if (arg == "--com") {
            const auto v = ParseWholeNumber(value, 1, 256);
            if (!v) return fail(bad + ": expected a port number 1..256");
            o.com = static_cast<int>(*v);
        } else if (arg == "--link") {
            if (value.empty()) return fail(bad + ": expected a path");
            o.link = value;
        } else if (arg == "--table") {
            const auto v = ParseNumber(value, 0.05, 1e6);
            if (!v) return fail(bad + ": expected seconds (at least 0.05)");
            o.tableSeconds = *v;
        } else if (arg == "--duration") {
            const auto v = ParseNumber(value, 0.001, 1e9);
            if (!v) return fail(bad + ": expected seconds");
            o.durationSeconds = *v;
        } else if (arg == "--seed") {
            const auto v = ParseWholeNumber(value, 0, 0xFFFFFFFFll);
            if (!v) return fail(bad + ": expected 0..4294967295");
            o.network.seed = static_cast<uint32_t>(*v);
        } else {
            return fail("unknown option " + std::string(arg));
        }
    }

    if (!formatGiven) return fail("--format is required (0..4, as set in the driver)");
    if (layoutGiven && o.network.format != 0) return fail("--layout applies to format 0 only");
    const uint8_t highest = HighestChannel(o.network.format, o.network.layout);
    if (highest < kGauges - 1 && (o.channels >> (highest + 1)) != 0)
        return fail("format 0 with the " +
                    std::string(o.network.layout == vexla::BlockLayout::Record ? "record" : "fixed") +
                    " layout carries channels 1-" + std::to_string(highest + 1) + " only");
    if (!o.device.empty() && (o.com != 0 || !o.link.empty()))
        return fail("--com and --link make links to the simulator's pty; they do not go with --device");
    for (std::size_t c = 0; c < kGauges; ++c) {
        if (motionKinds[c] == MotionKind::Script && common.scriptMm.empty())
            return fail("--motion script needs --script POSITIONS");
        o.motions[c] = common;
        o.motions[c].kind = motionKinds[c];
        if (positions[c]) o.motions[c].offsetMm = *positions[c];
        o.motions[c].phaseS = common.periodS * static_cast<double>(c) / static_cast<double>(kGauges);
    }
    return CommandLine<Options>{std::move(o), false};
}

std::string UsageText() {
    return R"(Usage: gaugesim --format N [options]

Simulates a network of up to 32 digital dial gauges on a serial line. By
default it creates a pseudo-terminal and prints its path ("pty: PATH"); point
the driver at that path (or at COM N with --com N). Every command the gauges
accept is printed as it arrives.

Network
  --format N           data format 0..4 (required):
                         0 block frames pushed      1 text frames pushed
                         2 general frames, polled   3 general frames pushed
                         4 wireless frames, polled in groups of four
  --channels LIST      gauges present, numbered 1..32, e.g. 1-8,12 (default 1-8);
                       format 0 carries 1-16 (record layout) or 1-8 (fixed)
  --layout L           format 0: record (default) or fixed
  --baud N             1200, 2400, 4800, 9600, 19200 (default), 38400, 57600,
                       115200; bytes leave at this rate, 10 bits each
  --turnaround MS      formats 2 and 4: delay from a poll to its answer (default 3)

Gauges
  --kind [LIST=]K      0.01 (default) or 0.001 mm gauge, for all gauges or LIST
  --state S            initial state: fast, standard (default) or hold
  --fast-rate N        readings per second in the fast state (default 20)
  --standard-rate N    readings per second in the standard and hold states (default 5)
  --motion [LIST=]M    still, ramp, sine (default), walk or script
  --position [LIST=]MM still position, ramp start, sine centre, walk start (default 0)
  --amplitude MM       sine amplitude (default 1)
  --period S           sine period (default 10)
  --speed MM           ramp speed, or the largest speed of a walk, per second (default 0.5)
  --script MM,MM,...   positions visited in turn by the script motion
  --dwell S            seconds at each script position (default 1)

Faults
  --noise N            random bytes per second put on the line
  --drop F             fraction 0..1 of bytes lost on the line
  --corrupt F          fraction 0..1 of frames sent with a wrong check
  --silence LIST@T+D   these gauges fall silent T seconds after the start for
                       D seconds (repeatable)
  --line-down T+D      the line goes away (the pty is closed) at T for D seconds,
                       then comes back on a new pty (repeatable)

Line
  --device PATH        use this serial device instead of a pty (a null-modem
                       cable to another computer)
  --com N              also link COM N to the pty for the driver under Wine
                       ($WINEPREFIX/dosdevices/comN, WINEPREFIX defaults to
                       ~/.wine) and on Linux
                       (${XDG_CONFIG_HOME:-$HOME/.config}/vexla/dosdevices/comN);
                       the links are removed on exit
  --link PATH          also make PATH a symlink to the pty

Output
  --table S            print what every gauge shows every S seconds
  --log-polls          also print every poll
  --duration S         stop after S seconds (default: run until interrupted)
  --seed N             seed of the random motions and faults (default 1)
  --help               this text

Exit status: 0 after a normal stop, 1 when the line cannot be opened,
2 for bad arguments.
)";
}

}  // namespace vexla::sim
