#include "recorder/model/recorder_options.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "base/whole_number.h"
#include "quality/control_constants.h"

namespace vexla::recorder {

namespace {

std::optional<double> Seconds(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value) || value <= 0 || value > 1e7) return std::nullopt;
    return value;
}

std::optional<monitor::HardwareType> KindOf(std::string_view text) {
    if (text == "0.01") return monitor::HardwareType::Percent;
    if (text == "0.001") return monitor::HardwareType::Thousandth;
    return std::nullopt;
}

}  // namespace

ParsedCommandLine<RecorderOptions> ParseRecorderOptions(const std::vector<std::string>& args) {
    RecorderOptions o;
    const auto fail = [](const std::string& arg, const char* expected) {
        return BadCommandLine(arg + ": " + expected);
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") return CommandLine<RecorderOptions>{{}, true};
        if (arg == "--quiet" || arg == "-q") {
            o.quiet = true;
            continue;
        }
        if (arg == "--capture") {
            o.captureOnKey = true;
            // An optional key: the next argument when it is one character.
            if (i + 1 < args.size() && args[i + 1].size() == 1) o.captureKey = args[++i][0];
            continue;
        }
        if (i + 1 >= args.size()) return fail(arg, arg.rfind("--", 0) == 0 ? "needs a value" : "unknown argument");
        const std::string& value = args[++i];
        const std::string named = arg + " " + value;
        if (arg == "--segment") {
            const auto v = ParseWholeNumber(value, 1, 999);
            if (!v) return fail(named, "expected a segment 1..999");
            o.segment = static_cast<uint32_t>(*v);
        } else if (arg == "--channels") {
            const auto v = ParseChannelList(value);
            if (!v) return fail(named, "expected channels 1..32 such as 1-8,12");
            o.channels = *v;
        } else if (arg == "--kind") {
            const size_t eq = value.find('=');
            const auto mask = eq == std::string::npos ? std::optional<uint32_t>(0xFFFFFFFFu)
                                                      : ParseChannelList(std::string_view(value).substr(0, eq));
            const auto kind =
                KindOf(eq == std::string::npos ? std::string_view(value) : std::string_view(value).substr(eq + 1));
            if (!mask || !kind) return fail(named, "expected 0.01 or 0.001, or channels=kind such as 1-4=0.001");
            for (size_t c = 0; c < quality::kChannels; ++c) {
                if ((*mask >> c) & 1u) o.kinds[c] = *kind;
            }
        } else if (arg == "--limits") {
            o.limitsFile = value;
        } else if (arg == "--output" || arg == "-o") {
            if (value.empty()) return fail(arg, "needs a file name");
            o.output = value;
        } else if (arg == "--exists") {
            if (value == "new") {
                o.whenExists = WhenExists::NewName;
            } else if (value == "stop") {
                o.whenExists = WhenExists::Stop;
            } else {
                return fail(named, "expected new or stop");
            }
        } else if (arg == "--duration") {
            const auto v = Seconds(value);
            if (!v) return fail(named, "expected seconds above 0");
            o.durationSeconds = *v;
        } else if (arg == "--every") {
            const auto v = Seconds(value);
            if (!v || *v < 0.05) return fail(named, "expected seconds, at least 0.05");
            o.everySeconds = *v;
        } else if (arg == "--library") {
            o.library = value;
        } else if (arg == "--part-id") {
            const std::string_view text(value);
            if (text == "prompt") {
                o.partIdPrompt = true;
                continue;
            }
            const auto start = text == "counter"                ? std::optional<int64_t>(1)
                               : text.rfind("counter:", 0) == 0 ? ParseWholeNumber(text.substr(8), 0, INT64_MAX / 2)
                                                                : std::nullopt;
            if (!start) return fail(named, "expected prompt, counter or counter:START");
            o.partCounter = static_cast<uint64_t>(*start);
        } else if (arg == "--subgroup") {
            const auto v = ParseWholeNumber(value, 1, quality::kMaxSubgroup);
            if (!v) return fail(named, "expected a subgroup of 1 to 25 parts");
            o.chart.subgroup = static_cast<int>(*v);
        } else if (arg == "--baseline") {
            const auto v = ParseWholeNumber(value, 2, 100000);
            if (!v) return fail(named, "expected a baseline of 2 to 100000 parts");
            o.chart.baselineParts = static_cast<int>(*v);
        } else if (arg == "--rules") {
            if (value == "nelson") {
                o.chart.rules = quality::RuleSet::Nelson;
            } else if (value == "western-electric") {
                o.chart.rules = quality::RuleSet::WesternElectric;
            } else {
                return fail(named, "expected nelson or western-electric");
            }
        } else if (arg == "--control-limits") {
            o.controlLimitsFile = value;
        } else if (arg == "--save-control-limits") {
            if (value.empty()) return fail(arg, "needs a file name");
            o.saveControlLimitsFile = value;
        } else if (arg == "--batch") {
            o.batch = value;
        } else if (arg == "--operator") {
            o.operatorName = value;
        } else {
            return fail(arg, "unknown option (--help lists them)");
        }
    }
    if (o.partIdPrompt && (o.everySeconds > 0 || (o.captureOnKey && o.captureKey != '\n')))
        return BadCommandLine(
            "--part-id prompt takes a part as each identity is typed: not with --every or "
            "another capture key");
    if (o.IdentifiesParts() && !o.Capture())
        return BadCommandLine("--part-id, --batch and --operator name parts: they need --capture or --every");
    return CommandLine<RecorderOptions>{std::move(o), false};
}

std::string RecorderUsage() {
    return R"(Usage: vexla-rec [options]
       vexla-rec report FILE.csv [--limits FILE] [-o REPORT.html] [--json FILE]
                        [--subgroup N] [--baseline K] [--control-limits FILE]
                        [--rules nelson|western-electric]
       vexla-rec study type1 --reference MM --tolerance MM [--count N] [...]
       vexla-rec study grr --parts P --operators O --trials R [--tolerance MM] [...]
       vexla-rec study grr|type1 --resume FILE | --analyse FILE [--json FILE]
       vexla-rec export --aqdef OUT.dfq FILE.csv [--limits FILE] [--part-number TEXT]

Records the gauges' readings through the driver to a CSV file: one row per
new reading (time, channel, value and displacement in mm, rate), or in
capture mode one row per channel for each part, each part judged OK or NOK
(a channel outside its limits or without a current reading). Ctrl+C ends
the run; a summary of every channel's statistics follows.

  --segment N         the driver's configuration segment (default 1)
  --channels LIST     channels to record, e.g. 1-8,12 (default 1-32)
  --kind [LIST=]K     0.01 (default) or 0.001 mm gauges, for all or LIST;
                      repeatable; decides the decimals
  --limits FILE       tolerance limits: channel, nominal, lower and upper
                      tolerance in mm, name; rows are judged OK, LOW or HIGH
  -o, --output FILE   the CSV file (default vexla-YYYYMMDD-HHMMSS.csv here)
  --exists new|stop   an existing file is never overwritten: take the next
                      free name FILE-2.csv, ... (new, default) or stop
  --duration S        stop after S seconds (default: until Ctrl+C)
  --capture [KEY]     capture mode: a row set each time Enter (or the key
                      KEY) is pressed
  --every S           capture mode: a row set every S seconds (with
                      --capture as well, also on the key)
  --part-id prompt    capture mode: type (or scan) each part's identity and
                      Enter to take the part
  --part-id counter[:START]
                      capture mode: number the parts from START (default 1)
                      in the part_id column
  --batch TEXT        capture mode: the batch, in every part's row
  --subgroup N        control charts of subgroups of N consecutive parts
                      (1, the default: individuals and moving range; 2..10
                      mean and range; 11..25 mean and standard deviation)
  --baseline K        the control limits come from the first K parts
                      (default 25), or:
  --control-limits FILE
                      the control limits of an earlier run
  --save-control-limits FILE
                      keep this run's control limits for the next
  --rules nelson      Nelson's eight run rules (default: Western Electric's
                      four)
  --operator TEXT     capture mode: the operator, in every part's row
  --library PATH      the driver library (default: the one beside vexla-rec)
  -q, --quiet         no progress line
  -h, --help          this text

The report turns a recording into an HTML page (control charts, capability
ranked by Ppk, histograms, trends, parts) and with --json a JSON summary;
`vexla-rec report --help` explains its options.

`vexla-rec study` guides a Type-1 study (Cg, Cgk, the bias) or a crossed
gauge R&R (ANOVA and average-and-range: EV, AV, GRR, PV, ndc) on the station,
resumes one that was interrupted, or analyses a study file;
`vexla-rec study --help` explains it. `vexla-rec export --aqdef` writes a
recording as an AQDEF (.dfq) file; `vexla-rec export --help`.

Exit status: 0 after a normal run, 1 when the file cannot be written or the
driver cannot be loaded, 2 for bad arguments.
)";
}

std::string DatedFileName(const LocalTime& t) {
    char name[48];
    std::snprintf(name, sizeof name, "vexla-%04d%02d%02d-%02d%02d%02d.csv", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return name;
}

std::string NumberedFileName(const std::string& path, int number) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    std::string name = path.substr(0, hasExtension ? dot : path.size());
    name += '-';
    name += std::to_string(number);
    if (hasExtension) name += path.substr(dot);
    return name;
}

}  // namespace vexla::recorder
