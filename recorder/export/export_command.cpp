#include "recorder/export/export_command.h"

#include "quality/tolerance_limits.h"
#include "recorder/export/aqdef_export.h"
#include "recorder/platform/output_file.h"

namespace vexla::recorder::exporting {

namespace {

constexpr const char* kUsage =
    "usage: vexla-rec export --aqdef OUT.dfq RECORDING.csv [--limits FILE]\n"
    "                        [--part-number TEXT] [--part-description TEXT]\n"
    "Writes a recording as an AQDEF file (K-fields, UTF-8): the part, each recorded channel as a\n"
    "characteristic with its limits, and every reading with its date and time and, for a capture\n"
    "recording, the part's identity, batch and operator.\n"
    "  --aqdef FILE          the .dfq file to write (an existing one is replaced)\n"
    "  --limits FILE         nominal, limits and names of the characteristics\n"
    "  --part-number TEXT    K1001 (default: the recording's file name)\n"
    "  --part-description TEXT\n"
    "                        K1002\n";

std::string Stem(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

int RunExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string aqdef, recordingPath, limitsPath;
    AqdefPart part;
    bool numbered = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << kUsage;
            return 0;
        }
        std::string* target = arg == "--aqdef"              ? &aqdef
                              : arg == "--limits"           ? &limitsPath
                              : arg == "--part-number"      ? &part.number
                              : arg == "--part-description" ? &part.description
                                                            : nullptr;
        if (target) {
            if (i + 1 >= args.size() || (args[i + 1].empty() && arg != "--part-description")) {
                err << "vexla-rec export: " << arg << " needs a value\n" << kUsage;
                return 2;
            }
            *target = args[++i];
            numbered |= arg == "--part-number";
        } else if (arg.rfind("--", 0) == 0 || !recordingPath.empty()) {
            err << "vexla-rec export: " << arg << ": unknown argument\n" << kUsage;
            return 2;
        } else {
            recordingPath = arg;
        }
    }
    if (aqdef.empty() || recordingPath.empty()) {
        err << "vexla-rec export: needs --aqdef OUT.dfq and a recording\n" << kUsage;
        return 2;
    }
    quality::LimitsTable limits;
    if (!limitsPath.empty()) {
        Result<quality::LimitsTable> loaded = quality::LoadLimitsFile(limitsPath);
        if (!loaded) {
            err << "vexla-rec: " << loaded.Failure().Text() << '\n';
            return 2;
        }
        limits = std::move(*loaded);
    }
    report::RecordingData recording;
    if (const std::string failed = report::LoadRecording(recordingPath, limits, recording); !failed.empty()) {
        err << "vexla-rec: " << failed << '\n';
        return 1;
    }
    if (recording.rows == 0) {
        err << "vexla-rec: " << recordingPath << " has no readings to export\n";
        return 1;
    }
    if (!numbered) part.number = Stem(recordingPath);
    const Status written = ReplaceWholeFile(aqdef, AqdefText(recording, limits, part));
    if (!written) {
        err << "vexla-rec: " << written.Failure().Text() << '\n';
        return 1;
    }
    out << "vexla-rec: " << recording.rows << " values of " << recording.Channels() << " characteristics to " << aqdef
        << '\n';
    return 0;
}

}  // namespace vexla::recorder::exporting
