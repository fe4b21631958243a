#include "recorder/report/report_command.h"

#include <filesystem>
#include <string_view>
#include <utility>

#include "base/command_line.h"
#include "base/whole_number.h"
#include "quality/control_constants.h"
#include "quality/control_limits_file.h"
#include "quality/tolerance_limits.h"
#include "quality/utf8_path.h"
#include "recorder/platform/output_file.h"
#include "recorder/report/html_report.h"
#include "recorder/report/json_report.h"
#include "recorder/report/recording_file.h"

namespace vexla::recorder {

namespace {

constexpr const char* kUsage =
    "usage: vexla-rec report FILE.csv [--limits FILE] [-o REPORT.html] [--json SUMMARY.json]\n"
    "                        [--subgroup N] [--baseline K] [--control-limits FILE] [--rules nelson]\n"
    "Turns a recording into one HTML page that any browser shows offline: the run's facts, the\n"
    "characteristics ranked by Ppk, the statistics, each channel's control charts and histogram,\n"
    "its trend, and a capture recording's parts; or into a JSON summary for other programs.\n"
    "  --limits FILE        judge the readings against these tolerance limits\n"
    "                       (lines of: channel, nominal, lower, upper[, name])\n"
    "  -o, --output FILE    the report's name (default: the recording's, .html for .csv)\n"
    "  --json FILE          write the summary as JSON; alone, no HTML is written\n"
    "  --subgroup N         parts per chart point: 1 I-MR (default), 2-10 X-bar-R, 11-25 X-bar-S\n"
    "  --baseline K         the first K parts (readings) give the control limits (default 25)\n"
    "  --control-limits FILE\n"
    "                       the control limits of an earlier run instead of a baseline, with\n"
    "                       their own subgroup (channels it lacks take the baseline)\n"
    "  --rules nelson|western-electric\n"
    "                       the run rules (default western-electric)\n";

struct Options {
    std::string recording;
    std::string limits;
    std::string output;
    std::string json;
    std::string controlLimits;
    quality::ChartSettings chart;
};

ParsedCommandLine<Options> ParseOptions(const std::vector<std::string>& args) {
    CommandLine<Options> line;
    Options& options = line.options;
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // "--limits FILE" or "--limits=FILE" (is() has checked the name).
        const auto value = [&](std::string_view name, std::string& target, const char* what = "a file name") {
            if (arg.size() > name.size()) {
                target = arg.substr(name.size() + 1);
            } else if (i + 1 < args.size()) {
                target = args[++i];
            }
            std::string error;
            if (target.empty()) {
                error = name;
                error += " needs ";
                error += what;
            }
            return error;
        };
        const auto number = [&](std::string_view name, int lowest, int highest, const char* range, int& target) {
            std::string text;
            std::string error = value(name, text, "a number");
            if (!error.empty()) return error;
            const std::optional<int64_t> parsed = ParseWholeNumber(text, lowest, highest);
            if (parsed) {
                target = static_cast<int>(*parsed);
            } else {
                error = name;
                error += ' ';
                error += text;
                error += ": expected ";
                error += range;
            }
            return error;
        };
        const auto is = [&](std::string_view name) {
            return arg == name ||
                   (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == '=');
        };
        std::string error;
        if (optionsEnd || arg.empty() || arg == "-" || arg[0] != '-') {
            if (!options.recording.empty()) {
                std::string twice = "one recording at a time (";
                twice += options.recording;
                twice += " and ";
                twice += arg;
                twice += ')';
                return BadCommandLine(std::move(twice));
            }
            options.recording = arg;
        } else if (arg == "--") {
            optionsEnd = true;
        } else if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (is("--limits")) {
            error = value("--limits", options.limits);
        } else if (arg == "-o") {
            error = value("-o", options.output);
        } else if (is("--output")) {
            error = value("--output", options.output);
        } else if (is("--json")) {
            error = value("--json", options.json);
        } else if (is("--control-limits")) {
            error = value("--control-limits", options.controlLimits);
        } else if (is("--subgroup")) {
            error = number("--subgroup", 1, quality::kMaxSubgroup, "1 to 25 parts", options.chart.subgroup);
        } else if (is("--baseline")) {
            error = number("--baseline", 2, 1000000000, "2 or more parts", options.chart.baselineParts);
        } else if (is("--rules")) {
            std::string rules;
            error = value("--rules", rules, "nelson or western-electric");
            if (rules == "nelson") {
                options.chart.rules = quality::RuleSet::Nelson;
            } else if (rules == "western-electric") {
                options.chart.rules = quality::RuleSet::WesternElectric;
            } else if (error.empty()) {
                error = "--rules " + rules + ": expected nelson or western-electric";
            }
        } else {
            std::string unknown = "unknown option ";
            unknown += arg;
            return BadCommandLine(std::move(unknown));
        }
        if (!error.empty()) return BadCommandLine(std::move(error));
    }
    if (!line.help && options.recording.empty()) return BadCommandLine("which recording? (FILE.csv)");
    return line;
}

// rec.csv gives rec.html; any other name gets .html added.
std::string DefaultOutput(const std::string& recording) {
    const size_t n = recording.size();
    const auto lower = [&](size_t i) {
        const char c = recording[i];
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    std::string output = recording;
    if (n > 4 && lower(n - 4) == '.' && lower(n - 3) == 'c' && lower(n - 2) == 's' && lower(n - 1) == 'v') {
        output.resize(n - 4);
    }
    output += ".html";
    return output;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return a == b || std::filesystem::equivalent(quality::Utf8Path(a), quality::Utf8Path(b), error);
}

}  // namespace

int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto line = ParseOptions(args);
    if (!line) {
        err << "report: " << line.Failure().reason << '\n' << kUsage;
        return 2;
    }
    if (line->help) {
        out << kUsage;
        return 0;
    }
    Options& options = line->options;
    // --json alone asks for the summary only.
    if (options.output.empty() && options.json.empty()) options.output = DefaultOutput(options.recording);
    for (const std::string* written : {&options.output, &options.json}) {
        if (written->empty()) continue;
        for (const std::string* input : {&options.recording, &options.limits, &options.controlLimits}) {
            if (!input->empty() && SameFile(*written, *input)) {
                err << "report: the report would overwrite " << *written
                    << ", an input; choose another name with -o or --json\n";
                return 2;
            }
        }
    }
    if (!options.output.empty() && !options.json.empty() && SameFile(options.output, options.json)) {
        err << "report: the page and the JSON summary are both " << options.json << "; name two files\n";
        return 2;
    }

    quality::LimitsTable limits;
    if (!options.limits.empty()) {
        Result<quality::LimitsTable> loaded = quality::LoadLimitsFile(options.limits);
        if (!loaded) {
            err << "report: " << loaded.Failure().Text() << '\n';
            return 1;
        }
        limits = std::move(*loaded);
    }
    report::SpcOptions spc;
    spc.chart = options.chart;
    if (!options.controlLimits.empty()) {
        Result<quality::ControlLimitsTable> loaded = quality::LoadControlLimitsFile(options.controlLimits);
        if (!loaded) {
            err << "report: " << loaded.Failure().Text() << '\n';
            return 1;
        }
        spc.given = std::move(*loaded);
    }

    report::RecordingData recording;
    const std::string error = report::LoadRecording(options.recording, limits, recording);
    if (!error.empty()) {
        err << "report: " << error << '\n';
        return 1;
    }
    const std::vector<report::Characteristic> characteristics = report::AnalyseCharacteristics(recording, limits, spc);
    const report::ReportSources sources{options.recording, options.limits, options.controlLimits};
    std::vector<std::pair<const std::string*, std::string>> files;
    if (!options.output.empty())
        files.emplace_back(&options.output, report::HtmlReport(sources, recording, limits, characteristics));
    if (!options.json.empty())
        files.emplace_back(&options.json, report::JsonReport(sources, recording, characteristics));
    for (const auto& [name, text] : files) {
        if (const Status written = ReplaceWholeFile(*name, text); !written) {
            err << "report: " << written.Failure().Text() << '\n';
            return 1;
        }
    }
    for (const auto& [name, text] : files) {
        out << "report: " << *name << " (" << recording.rows << " rows, " << recording.Channels() << " channels)\n";
    }
    if (recording.skipped > 0) {
        out << "report: " << recording.skipped
            << (recording.skipped == 1 ? " line that does not parse was" : " lines that do not parse were")
            << " left out (the first is line " << recording.firstSkippedLine << ")\n";
    }
    return 0;
}

}  // namespace vexla::recorder
