#pragma once
// `vexla-rec report`: turns a recording into one self-contained HTML page,
// a JSON summary, or both.

#include <ostream>
#include <string>
#include <vector>

namespace vexla::recorder {

// args: what follows "report", i.e. FILE.csv [--limits FILE] [-o REPORT.html]
// [--json SUMMARY.json] and the control chart's options.
// Returns 0 on success, 2 for bad arguments, 1 when a file cannot be read
// or the report cannot be written.
int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vexla::recorder
