#include "recorder/report/report_command.h"

#include <filesystem>
#include <string_view>
#include <utility>

#include "base/command_line.h"
#include "quality/tolerance_limits.h"
#include "quality/utf8_path.h"
#include "recorder/platform/output_file.h"
#include "recorder/report/html_report.h"
#include "recorder/report/recording_file.h"

namespace vexla::recorder {

namespace {

constexpr const char* kUsage =
    "usage: vexla-rec report FILE.csv [--limits FILE] [-o REPORT.html]\n"
    "Turns a recording into one HTML page that any browser shows offline: the run's facts,\n"
    "the statistics per channel and a trend plot per channel.\n"
    "  --limits FILE        judge the readings against these tolerance limits\n"
    "                       (lines of: channel, nominal, lower, upper[, name])\n"
    "  -o, --output FILE    the report's name (default: the recording's, .html for .csv)\n";

struct Options {
    std::string recording;
    std::string limits;
    std::string output;
};

ParsedCommandLine<Options> ParseOptions(const std::vector<std::string>& args) {
    CommandLine<Options> line;
    Options& options = line.options;
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // "--limits FILE" or "--limits=FILE" (is() has checked the name).
        const auto value = [&](std::string_view name, std::string& target) {
            if (arg.size() > name.size()) {
                target = arg.substr(name.size() + 1);
            } else if (i + 1 < args.size()) {
                target = args[++i];
            }
            std::string error;
            if (target.empty()) {
                error = name;
                error += " needs a file name";
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
    if (options.output.empty()) options.output = DefaultOutput(options.recording);
    if (SameFile(options.output, options.recording) ||
        (!options.limits.empty() && SameFile(options.output, options.limits))) {
        err << "report: the report would overwrite " << options.output << ", an input; choose another name with -o\n";
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

    report::RecordingData recording;
    const std::string error = report::LoadRecording(options.recording, limits, recording);
    if (!error.empty()) {
        err << "report: " << error << '\n';
        return 1;
    }
    const std::string html = report::HtmlReport({options.recording, options.limits}, recording, limits);
    if (const Status written = ReplaceWholeFile(options.output, html); !written) {
        err << "report: " << written.Failure().Text() << '\n';
        return 1;
    }
    out << "report: " << options.output << " (" << recording.rows << " rows, " << recording.Channels()
        << " channels)\n";
    if (recording.skipped > 0) {
        out << "report: " << recording.skipped
            << (recording.skipped == 1 ? " line that does not parse was" : " lines that do not parse were")
            << " left out (the first is line " << recording.firstSkippedLine << ")\n";
    }
    return 0;
}

}  // namespace vexla::recorder
