#pragma once
// `vexla-rec export`: a recording handed over in another program's format.

#include <ostream>
#include <string>
#include <vector>

namespace vexla::recorder::exporting {

// args: what follows "export". 0 on success, 1 when a file cannot be read
// or written, 2 for bad arguments.
int RunExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vexla::recorder::exporting
