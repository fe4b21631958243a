// vexla-rec: records the gauges' readings for quality control, and turns a
// recording into a report.

#include <iostream>
#include <string>
#include <vector>

#include "recorder/export/export_command.h"
#include "recorder/model/recorder_options.h"
#include "recorder/report/report_command.h"
#include "recorder/study/study_command.h"
#include "recorder_run.h"

#ifdef _WIN32
#include <windows.h>

#include "base/win32/wide_text.h"
#endif

namespace {

int Main(const std::vector<std::string>& args) {
    using namespace vexla::recorder;
    if (!args.empty() && args[0] == "report") {
        return RunReport(std::vector<std::string>(args.begin() + 1, args.end()), std::cout, std::cerr);
    }
    if (!args.empty() && args[0] == "study") {
        return study::RunStudy(std::vector<std::string>(args.begin() + 1, args.end()), std::cout, std::cerr);
    }
    if (!args.empty() && args[0] == "export") {
        return exporting::RunExport(std::vector<std::string>(args.begin() + 1, args.end()), std::cout, std::cerr);
    }
    const auto parsed = ParseRecorderOptions(args);
    if (!parsed) {
        std::cerr << "vexla-rec: " << parsed.Failure().reason << '\n' << RecorderUsage();
        return 2;
    }
    if (parsed->help) {
        std::cout << RecorderUsage();
        return 0;
    }
    return RunRecorder(parsed->options, std::cout, std::cerr);
}

}  // namespace

#ifdef _WIN32
// Wide arguments, so that file names in any language arrive whole; our
// texts are UTF-8 throughout.
int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(vexla::Narrow(argv[i]));
    return Main(args);
}
#else
int main(int argc, char** argv) {
    return Main(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
