#include "recorder/study/study_command.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "base/command_line.h"
#include "base/whole_number.h"
#include "host/driver_library.h"
#include "quality/millimetres.h"
#include "recorder/model/recording.h"
#include "recorder/platform/console_keys.h"
#include "recorder/platform/output_file.h"
#include "recorder/platform/run_control.h"
#include "recorder/recorder_run.h"
#include "recorder/study/study_analysis.h"

namespace vexla::recorder::study {

namespace {

constexpr int64_t kTickMilliseconds = 50;
constexpr host::Export kStudyExports[] = {host::Export::SetNetSegment, host::Export::GetReFlashRate32,
                                          host::Export::GetNewData32Ch, host::Export::DLL_End_Application};

constexpr const char* kUsage =
    R"(usage: vexla-rec study grr --parts P --operators O --trials R [--tolerance MM] [options]
       vexla-rec study type1 --reference MM --tolerance MM [--count N] [options]
       vexla-rec study grr|type1 --resume FILE [options]
       vexla-rec study grr|type1 --analyse FILE [--tolerance MM] [--reference MM] [--json OUT.json]
Guides a gauge study on the station, capture by capture (Enter takes one),
writes every capture to the study file at once, then analyses it.
  A gauge R&R (crossed): every operator measures every part in every trial,
  in a shuffled order that the file keeps ("operator B, trial 2: place part
  7, press Enter"). Results per channel by the analysis of variance (the
  part x operator interaction pooled into repeatability when its p-value is
  above 0.25) and by the average-and-range method: EV, AV, interaction, GRR,
  PV, TV as sigma, %GRR of the total variation and of the tolerance (6 sigma),
  ndc; under 10 % acceptable, 10-30 % conditional, above 30 % or ndc under 5
  not acceptable.
  A Type-1 study: one master part measured N times: mean, s, bias,
  Cg = 0.2 T / 6s, Cgk = (0.1 T - |bias|) / 3s, capable from 1.33, and
  the bias tested against zero (t-test, 5 %).
  --parts P           2 to 50 parts                  --trials R   2 to 10
  --operators O       1 to 10 operators, named A, B, ... or
  --operator-names A,B,C
  --tolerance MM      the characteristic's tolerance (USL - LSL)
  --reference MM      the master part's size         --count N    (default 50)
  --channels LIST     the channels measured (default 1)
  --kind [LIST=]K     0.01 (default) or 0.001 mm gauges
  -o, --output FILE   the study file (default study-grr-YYYYMMDD-HHMMSS.csv)
  --resume FILE       continue an interrupted study where it stopped
  --analyse FILE      analyse a study file alone: ours, or CSV with a heading
                      operator,trial,part,channel,value_mm (gauge R&R) or
                      trial,channel,value_mm (Type-1); more columns are ignored
  --report FILE       the HTML report (default: the study file's name, .html)
  --json FILE         every figure as JSON as well
  --seed N            the shuffled order's seed (default: from the clock)
  --segment N, --library PATH
                      the driver's configuration segment and library
)";

struct Options {
    StudyKind kind = StudyKind::GaugeRr;
    int parts = 0, operators = 0, trials = 0, count = 50;
    std::vector<std::string> operatorNames;
    std::optional<double> tolerance, reference;
    uint32_t channels = 1;
    std::array<monitor::HardwareType, quality::kChannels> kinds{};
    std::string output, resume, analyse, report, json, library;
    std::optional<uint64_t> seed;
    uint32_t segment = 1;
};

std::optional<double> Millimetres(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

ParsedCommandLine<Options> Parse(const std::vector<std::string>& args) {
    CommandLine<Options> line;
    Options& o = line.options;
    if (args.empty() || (args[0] != "grr" && args[0] != "type1")) {
        if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) return CommandLine<Options>{{}, true};
        return BadCommandLine("expected grr or type1 after study");
    }
    o.kind = args[0] == "grr" ? StudyKind::GaugeRr : StudyKind::Type1;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") return CommandLine<Options>{{}, true};
        if (i + 1 >= args.size()) return BadCommandLine(arg + ": needs a value or is unknown");
        const std::string& value = args[++i];
        const std::string named = arg + " " + value;
        const auto whole = [&](int low, int high, int& target, const char* what) -> std::optional<Error> {
            const auto v = ParseWholeNumber(value, low, high);
            if (!v) return BadCommandLine(named + ": expected " + what);
            target = static_cast<int>(*v);
            return std::nullopt;
        };
        std::optional<Error> bad;
        if (arg == "--parts") {
            bad = whole(quality::kMinStudyParts, quality::kMaxStudyParts, o.parts, "2 to 50 parts");
        } else if (arg == "--operators") {
            bad = whole(quality::kMinStudyOperators, quality::kMaxStudyOperators, o.operators, "1 to 10 operators");
        } else if (arg == "--trials") {
            bad = whole(quality::kMinStudyTrials, quality::kMaxStudyTrials, o.trials, "2 to 10 trials");
        } else if (arg == "--count") {
            bad = whole(2, 10000, o.count, "2 to 10000 captures");
        } else if (arg == "--operator-names") {
            o.operatorNames.clear();
            for (const std::string_view f : SplitFields(value)) o.operatorNames.push_back(FieldText(f));
            if (o.operatorNames.empty() || o.operatorNames.size() > quality::kMaxStudyOperators)
                bad = BadCommandLine(named + ": expected 1 to 10 names, separated by commas");
            for (const std::string& n : o.operatorNames)
                if (n.empty()) bad = BadCommandLine(named + ": an operator without a name");
        } else if (arg == "--tolerance" || arg == "--reference") {
            const auto v = Millimetres(value);
            if (!v || (arg == "--tolerance" && *v <= 0))
                bad = BadCommandLine(named + ": expected mm (a tolerance above 0)");
            (arg == "--tolerance" ? o.tolerance : o.reference) = v;
        } else if (arg == "--channels") {
            const auto v = ParseChannelList(value);
            if (!v || *v == 0)
                bad = BadCommandLine(named + ": expected channels 1..32 such as 1-4,7");
            else
                o.channels = *v;
        } else if (arg == "--kind") {
            const size_t eq = value.find('=');
            const auto mask = eq == std::string::npos ? std::optional<uint32_t>(0xFFFFFFFFu)
                                                      : ParseChannelList(std::string_view(value).substr(0, eq));
            const std::string kind = eq == std::string::npos ? value : value.substr(eq + 1);
            if (!mask || (kind != "0.01" && kind != "0.001")) {
                bad = BadCommandLine(named + ": expected 0.01 or 0.001, or channels=kind");
            } else {
                for (size_t c = 0; c < quality::kChannels; ++c)
                    if ((*mask >> c) & 1u)
                        o.kinds[c] =
                            kind == "0.001" ? monitor::HardwareType::Thousandth : monitor::HardwareType::Percent;
            }
        } else if (arg == "--seed") {
            const auto v = ParseWholeNumber(value, 0, INT64_MAX);
            if (!v)
                bad = BadCommandLine(named + ": expected a whole number");
            else
                o.seed = static_cast<uint64_t>(*v);
        } else if (arg == "--segment") {
            const auto v = ParseWholeNumber(value, 1, 999);
            if (!v)
                bad = BadCommandLine(named + ": expected a segment 1..999");
            else
                o.segment = static_cast<uint32_t>(*v);
        } else if (arg == "-o" || arg == "--output" || arg == "--resume" || arg == "--analyse" || arg == "--report" ||
                   arg == "--json" || arg == "--library") {
            if (value.empty()) bad = BadCommandLine(arg + ": needs a file name");
            std::string& target = arg == "--resume"    ? o.resume
                                  : arg == "--analyse" ? o.analyse
                                  : arg == "--report"  ? o.report
                                  : arg == "--json"    ? o.json
                                  : arg == "--library" ? o.library
                                                       : o.output;
            target = value;
        } else {
            bad = BadCommandLine(arg + ": unknown option (vexla-rec study --help lists them)");
        }
        if (bad) return *bad;
    }
    if (!o.analyse.empty() || !o.resume.empty()) return line;
    if (o.kind == StudyKind::GaugeRr) {
        if (o.operators == 0) o.operators = static_cast<int>(o.operatorNames.size());
        if (!o.operatorNames.empty() && static_cast<int>(o.operatorNames.size()) != o.operators)
            return BadCommandLine("--operators and --operator-names disagree on how many operators there are");
        if (o.parts == 0 || o.operators == 0 || o.trials == 0)
            return BadCommandLine("a gauge R&R needs --parts (2 to 50), --operators (1 to 10) and --trials (2 to 10)");
    } else if (!o.reference || !o.tolerance) {
        return BadCommandLine("a Type-1 study needs --reference MM and --tolerance MM");
    }
    return line;
}

std::string DefaultName(StudyKind kind) {
    const LocalTime t = LocalNow();
    char name[64];
    std::snprintf(name, sizeof name, "study-%s-%04d%02d%02d-%02d%02d%02d.csv", StudyKindName(kind), t.year, t.month,
                  t.day, t.hour, t.minute, t.second);
    return name;
}

StudyPlan NewPlan(const Options& o) {
    StudyPlan plan;
    plan.kind = o.kind;
    for (int c = 1; c <= quality::kChannels; ++c)
        if ((o.channels >> (c - 1)) & 1u) plan.channels.push_back(c);
    plan.tolerance = o.tolerance;
    if (o.kind == StudyKind::Type1) {
        plan.reference = o.reference;
        plan.count = o.count;
        return plan;
    }
    plan.parts = o.parts;
    plan.trials = o.trials;
    plan.operators = o.operatorNames;
    for (int i = static_cast<int>(plan.operators.size()); i < o.operators; ++i)
        plan.operators.push_back(std::string(1, static_cast<char>('A' + i)));
    const uint64_t seed =
        o.seed ? *o.seed : static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    plan.order = ShuffledOrder(plan.parts, plan.Operators(), plan.trials, seed);
    return plan;
}

std::string Prompt(const StudyPlan& plan, size_t index) {
    const std::string of = " (" + std::to_string(index + 1) + " of " + std::to_string(plan.Captures()) + ")";
    if (plan.kind == StudyKind::Type1)
        return "capture " + std::to_string(index + 1) + " of " + std::to_string(plan.count) +
               ": place the master part, press Enter";
    const Step& s = plan.order[index];
    return "operator " + plan.operators[static_cast<size_t>(s.op)] + ", trial " + std::to_string(s.trial + 1) +
           ": place part " + std::to_string(s.part + 1) + ", press Enter" + of;
}

// The captures still to take, one per Enter, each written and synced
// before the next prompt: a study killed at any moment keeps every capture
// it confirmed. True when the study is complete.
bool Capture(StudyData& study, OutputFile& file, host::DriverFunctions& driver, const Options& o, std::ostream& err) {
    StudyPlan& plan = study.plan;
    RecordingSettings settings;
    for (const int c : plan.channels) settings.channels[static_cast<size_t>(c - 1)] = true;
    settings.kinds = o.kinds;
    // A resumed study keeps each channel's gauge kind as its readings show
    // it, so that one study never mixes two resolutions.
    for (const StudyReading& r : study.readings)
        settings.kinds[static_cast<size_t>(r.channel - 1)] =
            r.decimals >= 3 ? monitor::HardwareType::Thousandth : monitor::HardwareType::Percent;
    settings.capture = true;
    Recording recording(settings);
    std::vector<bool> done = DoneCaptures(study);
    size_t next = 0;
    while (next < done.size() && done[next]) ++next;
    if (next == done.size()) return true;
    ConsoleKeys keys('\n');
    err << Prompt(plan, next) << '\n' << std::flush;
    int64_t tick = SteadyMilliseconds();
    while (!StopRequested()) {
        const LocalTime now = LocalNow();
        std::string unused;
        TakeDriverResult(driver, recording, now, unused);
        for (int presses = keys.TakePresses(); presses > 0 && next < done.size(); --presses) {
            PartVerdict verdict;
            recording.Capture(now, {}, unused, verdict);
            if (!verdict.missing.empty()) {
                err << "channel " << verdict.missing.front()
                    << " has no current reading: nothing taken; press Enter again\n"
                    << std::flush;
                continue;
            }
            std::vector<std::pair<int, std::string>> values;
            const Step step = plan.kind == StudyKind::GaugeRr ? plan.order[next] : Step{0, static_cast<int>(next), 0};
            for (const ReadingRow& row : recording.LastCaptureRows()) {
                values.emplace_back(row.channel, quality::MillimetreText(row.value, row.decimals));
                study.readings.push_back(
                    {step.op, step.trial, step.part, row.channel, quality::ToMillimetres(row.value), row.decimals});
            }
            const Status written = file.Write(StudyRows(plan, step, values, now));
            const Status synced = written ? file.Sync() : written;
            if (!synced) {
                err << "vexla-rec: " << synced.Failure().Text() << "; the study stops here\n";
                return false;
            }
            done[next] = true;
            while (next < done.size() && done[next]) ++next;
            if (next == done.size()) return true;
            err << Prompt(plan, next) << '\n' << std::flush;
        }
        if (keys.Ended()) break;
        tick += kTickMilliseconds;
        const int64_t steady = SteadyMilliseconds();
        if (tick <= steady) tick = steady + kTickMilliseconds;
        WaitUntil(tick);
    }
    size_t taken = 0;
    for (const bool d : done) taken += d ? 1 : 0;
    err << "the study stopped after " << taken << " of " << done.size() << " captures; vexla-rec study "
        << StudyKindName(plan.kind) << " --resume " << file.Path() << " continues it\n";
    return false;
}

}  // namespace

int RunStudy(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto parsed = Parse(args);
    if (!parsed) {
        err << "vexla-rec study: " << parsed.Failure().reason << '\n' << kUsage;
        return 2;
    }
    if (parsed->help) {
        out << kUsage;
        return 0;
    }
    const Options& o = parsed->options;
    AnalysisRequest request{{}, o.report, o.json, o.tolerance, o.reference};
    if (!o.analyse.empty()) {
        Result<StudyData> study = LoadStudy(o.analyse, o.kind);
        if (!study) {
            err << "vexla-rec: " << study.Failure().Text() << '\n';
            return study.Failure().code ? 1 : 2;
        }
        request.source = o.analyse;
        return AnalyseStudy(std::move(*study), request, out, err);
    }

    StudyData study;
    std::unique_ptr<OutputFile> file;
    if (!o.resume.empty()) {
        Result<std::string> text = ReadStudyText(o.resume);
        Result<StudyData> loaded = text ? ParseStudy(*text, o.kind) : Result<StudyData>(text.Failure());
        if (!loaded) {
            err << "vexla-rec: " << o.resume << ": " << loaded.Failure().reason << '\n';
            return 2;
        }
        if (!loaded->ours) {
            err << "vexla-rec: " << o.resume
                << " has no study plan of vexla-rec's: nothing to resume (--analyse reads it)\n";
            return 2;
        }
        // A line cut off by a kill is dropped, so the next capture starts a line of its own.
        if (loaded->cutOff) {
            if (const Status cut = ReplaceWholeFile(o.resume, std::string_view(*text).substr(0, loaded->wholeBytes));
                !cut) {
                err << "vexla-rec: " << cut.Failure().Text() << '\n';
                return 1;
            }
        }
        study = std::move(*loaded);
        auto appended = OutputFile::Append(o.resume);
        if (!appended) {
            err << "vexla-rec: " << appended.Failure().Text() << '\n';
            return 1;
        }
        file = std::move(*appended);
    } else {
        study.plan = NewPlan(o);
        study.ours = true;
        const std::string path = o.output.empty() ? DefaultName(o.kind) : o.output;
        auto created = OutputFile::Create(path);
        if (!created) {
            if (created.Failure().code == std::errc::file_exists) {
                err << "vexla-rec: " << path << " exists already; vexla-rec study " << StudyKindName(o.kind)
                    << " --resume " << path << " continues it\n";
            } else {
                err << "vexla-rec: " << created.Failure().Text() << '\n';
            }
            return 1;
        }
        file = std::move(*created);
        const Status written = file->Write(StudyHeading(study.plan));
        if (!written || !file->Sync()) {
            err << "vexla-rec: cannot write " << path << '\n';
            return 1;
        }
    }
    request.source = file->Path();

    host::DriverLibrary library(o.library.empty() ? host::LibraryBesideProgram() : o.library);
    Result<host::DriverFunctions> bound = library.Bind(kStudyExports);
    if (!bound) {
        err << "vexla-rec: cannot use the driver " << bound.Failure().Text() << '\n';
        return 1;
    }
    CatchStopRequests();
    bound->SetNetSegment(o.segment);
    const bool complete = Capture(study, *file, *bound, o, err);
    bound->DLL_End_Application();
    if (!complete) return 1;
    err << "the study is complete: " << file->Path() << '\n';
    return AnalyseStudy(std::move(study), request, out, err);
}

}  // namespace vexla::recorder::study
