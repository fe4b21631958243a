#include "recorder_run.h"

#include <cstdio>
#include <ostream>
#include <system_error>
#include <utility>

#include "host/driver_library.h"
#include "recorder/platform/console_keys.h"
#include "recorder/platform/output_file.h"
#include "recorder/platform/run_control.h"

namespace vexla::recorder {

namespace {

constexpr int64_t kTickMilliseconds = 50;
// The file reaches the disk at least this often while rows come in.
constexpr int64_t kSyncMilliseconds = 1000;
constexpr int kMaxNumberedNames = 9999;

// The driver functions the recorder calls, bound when it starts so that a
// wrong library is named before anything is recorded.
constexpr host::Export kRecorderExports[] = {host::Export::SetNetSegment, host::Export::GetReFlashRate32,
                                             host::Export::GetNewData32Ch, host::Export::DLL_End_Application};

// The file under the asked name, or under the next free numbered one.
std::unique_ptr<OutputFile> CreateOutput(const RecorderOptions& options, std::ostream& err) {
    const std::string asked = options.output.empty() ? DatedFileName(LocalNow()) : options.output;
    for (int number = 1;; ++number) {
        const std::string path = number == 1 ? asked : NumberedFileName(asked, number);
        auto file = OutputFile::Create(path);
        if (file) return std::move(*file);
        const bool taken = file.Failure().code == std::errc::file_exists;
        if (taken && options.whenExists == WhenExists::Stop) {
            err << "vexla-rec: " << path << " exists already; it is not overwritten (--exists new takes a new name)\n";
            return nullptr;
        }
        if (!taken || number == kMaxNumberedNames) {
            err << "vexla-rec: " << file.Failure().Text() << '\n';
            return nullptr;
        }
    }
}

std::string ChannelNames(const std::vector<int>& channels) {
    std::string text;
    for (const int c : channels) {
        if (!text.empty()) text += ", ";
        text += std::to_string(c);
    }
    return text;
}

// Each recorded channel's chart in a line: in control, or how often and
// where it was not, or why it has no limits yet.
std::string ChartSummary(const Recording& recording, const RecorderOptions& options) {
    std::string text;
    const char* unit = options.Capture() ? "part" : "reading";
    for (int channel = 1; channel <= quality::kChannels; ++channel) {
        const quality::LiveChart& chart = recording.Chart(channel);
        if (chart.PartCount() == 0) continue;
        text += "channel " + std::to_string(channel) + ": ";
        if (!chart.Limits()) {
            text += "no control limits: the baseline needs " +
                    std::to_string(std::max(chart.Settings().baselineParts, 2)) + " " + unit + "s, " +
                    std::to_string(chart.PartCount()) + " came\n";
        } else if (chart.InControl()) {
            text += std::string(quality::ChartName(chart.Limits()->kind)) + " in control\n";
        } else {
            const quality::Violation& last = *chart.LastViolation();
            text += std::string(quality::ChartName(chart.Limits()->kind)) +
                    " out of control: " + std::to_string(chart.ViolationCount()) + " rule violations, the last " +
                    quality::ViolationName(last, chart.Limits()->kind) + " at " + unit + " " +
                    std::to_string(last.lastPart + 1) + "\n";
        }
    }
    return text;
}

class Run {
  public:
    Run(const RecorderOptions& options, RecordingSettings settings, OutputFile& file, host::DriverFunctions& driver,
        std::ostream& err)
        : options_(options), recording_(std::move(settings)), file_(file), driver_(driver), err_(err) {}

    // False when the file failed.
    bool Record() {
        std::unique_ptr<ConsoleKeys> keys;
        if (options_.partIdPrompt)
            keys = std::make_unique<ConsoleKeys>('\n', true);
        else if (options_.captureOnKey)
            keys = std::make_unique<ConsoleKeys>(options_.captureKey);
        if (options_.partIdPrompt) err_ << "part id: " << std::flush;
        const bool progress = progress_ = !options_.quiet && ErrorIsTerminal();
        started_ = SteadyMilliseconds();
        int64_t tick = started_;
        int64_t nextCapture = started_ + Milliseconds(options_.everySeconds);
        int64_t nextProgress = started_ + 1000;
        const int64_t end = started_ + Milliseconds(options_.durationSeconds);
        if (!Write(CsvHeading(recording_.Settings().Layout())) || !Sync()) return false;
        while (!StopRequested()) {
            const LocalTime now = LocalNow();
            std::string rows;
            TakeDriverResult(driver_, recording_, now, rows);
            const int64_t steady = SteadyMilliseconds();
            int captures = keys && !options_.partIdPrompt ? keys->TakePresses() : 0;
            if (options_.partIdPrompt) {
                for (std::string id : keys->TakeLines()) {
                    while (!id.empty() && (id.back() == ' ' || id.back() == '\t')) id.pop_back();
                    id.erase(0, id.find_first_not_of(" \t"));
                    if (id.empty()) {
                        err_ << "no part id typed: no part taken\npart id: " << std::flush;
                        continue;
                    }
                    Capture(now, rows, id);
                    err_ << "part id: " << std::flush;
                }
            }
            if (options_.everySeconds > 0 && steady >= nextCapture) {
                ++captures;
                nextCapture += Milliseconds(options_.everySeconds);
                if (nextCapture <= steady) nextCapture = steady + Milliseconds(options_.everySeconds);
            }
            for (int i = 0; i < captures; ++i) Capture(now, rows);
            if (!rows.empty() && !Write(rows)) return false;
            if (steady - lastSync_ >= kSyncMilliseconds && unsynced_ && !Sync()) return false;
            if (progress && steady >= nextProgress) {
                ShowProgress(steady);
                nextProgress += 1000;
            }
            if (options_.durationSeconds > 0 && steady >= end) break;
            tick += kTickMilliseconds;
            if (tick <= steady) tick = steady + kTickMilliseconds;  // fell behind: no burst to catch up
            WaitUntil(options_.durationSeconds > 0 && end < tick ? end : tick);
        }
        if (progress) err_ << '\n';
        return Sync();
    }

    double Seconds() const { return static_cast<double>(SteadyMilliseconds() - started_) / 1000; }
    const Recording& Recorded() const { return recording_; }

  private:
    static int64_t Milliseconds(double seconds) { return static_cast<int64_t>(seconds * 1000 + 0.5); }

    void Capture(const LocalTime& now, std::string& rows, std::string typedId = {}) {
        PartIdentity identity{std::move(typedId), options_.batch, options_.operatorName};
        if (options_.partCounter) identity.id = std::to_string(*options_.partCounter + recording_.Captures());
        PartVerdict verdict;
        recording_.Capture(now, identity, rows, verdict);
        const std::vector<int>& missing = verdict.missing;
        // The verdict at once, on a line of its own that stands out; a
        // missing channel had no current reading.
        if (progress_) err_ << '\r';  // over the progress line
        err_ << (verdict.Ok() ? "  OK   " : "  NOK  ") << "part " << recording_.Captures();
        if (!identity.id.empty()) err_ << " (" << identity.id << ")";
        if (!verdict.outside.empty()) err_ << ": outside " << ChannelNames(verdict.outside);
        if (!missing.empty()) err_ << (verdict.outside.empty() ? ": " : "; ") << "missing " << ChannelNames(missing);
        err_ << (progress_ ? "                    \n" : "\n");
    }

    bool Write(const std::string& bytes) {
        const Status written = file_.Write(bytes);
        if (written) {
            unsynced_ = true;
            return true;
        }
        err_ << "vexla-rec: " << written.Failure().Text() << "; the recording stops here\n";
        return false;
    }

    bool Sync() {
        lastSync_ = SteadyMilliseconds();
        unsynced_ = false;
        const Status synced = file_.Sync();
        if (synced) return true;
        err_ << "vexla-rec: " << synced.Failure().Text() << "; the recording stops here\n";
        return false;
    }

    void ShowProgress(int64_t steady) {
        char line[256];
        char parts[48] = "";
        if (options_.Capture()) {
            std::snprintf(parts, sizeof parts, " in %llu parts, %llu NOK",
                          static_cast<unsigned long long>(recording_.Captures()),
                          static_cast<unsigned long long>(recording_.NokParts()));
        }
        std::snprintf(line, sizeof line, "\rrecording %s: %llu rows%s, %lld s", file_.Path().c_str(),
                      static_cast<unsigned long long>(recording_.Rows()), parts,
                      static_cast<long long>((steady - started_) / 1000));
        err_ << line;
        if (const auto& last = recording_.LastViolation()) {
            const int channel = last->first;
            const auto& limits = recording_.Chart(channel).Limits();
            err_ << "; last: channel " << channel << ' '
                 << quality::ViolationName(last->second,
                                           limits ? limits->kind : quality::ChartKind::IndividualsMovingRange)
                 << " at " << (options_.Capture() ? "part " : "reading ") << last->second.lastPart + 1;
        }
        err_ << ' ' << std::flush;
    }

    const RecorderOptions& options_;
    Recording recording_;
    OutputFile& file_;
    host::DriverFunctions& driver_;
    std::ostream& err_;
    int64_t started_ = 0;
    int64_t lastSync_ = 0;
    bool unsynced_ = false;
    bool progress_ = false;
};

}  // namespace

size_t TakeDriverResult(host::DriverFunctions& driver, Recording& recording, const LocalTime& now, std::string& rows) {
    VexlaDataBlock32 block{};
    int32_t rates[32];
    driver.GetReFlashRate32(rates);
    driver.GetNewData32Ch(&block);
    return recording.TakeResult(block, rates, now, rows);
}

int RunRecorder(const RecorderOptions& options, std::ostream& out, std::ostream& err) {
    RecordingSettings settings;
    for (size_t c = 0; c < quality::kChannels; ++c) settings.channels[c] = ((options.channels >> c) & 1u) != 0;
    settings.kinds = options.kinds;
    settings.capture = options.Capture();
    settings.identified = options.IdentifiesParts();
    settings.chart = options.chart;
    if (!options.controlLimitsFile.empty()) {
        Result<quality::ControlLimitsTable> given = quality::LoadControlLimitsFile(options.controlLimitsFile);
        if (!given) {
            err << "vexla-rec: " << given.Failure().Text() << '\n';
            return 2;
        }
        settings.givenLimits = *given;
    }
    if (!options.limitsFile.empty()) {
        Result<quality::LimitsTable> limits = quality::LoadLimitsFile(options.limitsFile);
        if (!limits) {
            err << "vexla-rec: " << limits.Failure().Text() << '\n';
            return 2;
        }
        settings.limits = std::move(*limits);
    }

    host::DriverLibrary library(options.library.empty() ? host::LibraryBesideProgram() : options.library);
    Result<host::DriverFunctions> bound = library.Bind(kRecorderExports);
    if (!bound) {
        err << "vexla-rec: cannot use the driver " << bound.Failure().Text() << '\n';
        return 1;
    }
    host::DriverFunctions& driver = *bound;

    std::unique_ptr<OutputFile> file = CreateOutput(options, err);
    if (!file) return 1;
    CatchStopRequests();
    driver.SetNetSegment(options.segment);
    Run run(options, std::move(settings), *file, driver, err);
    const bool recorded = run.Record();
    driver.DLL_End_Application();

    char head[96];
    std::snprintf(head, sizeof head, "%llu rows in %.1f s to ", static_cast<unsigned long long>(run.Recorded().Rows()),
                  run.Seconds());
    out << "vexla-rec: " << head << file->Path();
    if (options.Capture()) {
        const uint64_t parts = run.Recorded().Captures();
        const uint64_t nok = run.Recorded().NokParts();
        out << " (" << parts << " parts)";
        if (parts > 0) {
            char yield[96];
            std::snprintf(yield, sizeof yield, "\nparts: %llu, NOK: %llu, first-pass yield: %.1f %%",
                          static_cast<unsigned long long>(parts), static_cast<unsigned long long>(nok),
                          100.0 * static_cast<double>(parts - nok) / static_cast<double>(parts));
            out << yield;
        }
    }
    out << '\n' << AlignedText(run.Recorded().Statistics()) << ChartSummary(run.Recorded(), options) << std::flush;
    if (!options.saveControlLimitsFile.empty()) {
        const Status saved =
            ReplaceWholeFile(options.saveControlLimitsFile, quality::ControlLimitsText(run.Recorded().ControlLimits()));
        if (!saved) {
            err << "vexla-rec: " << saved.Failure().Text() << '\n';
            return 1;
        }
        out << "control limits kept in " << options.saveControlLimitsFile << '\n';
    }
    return recorded ? 0 : 1;
}

}  // namespace vexla::recorder
