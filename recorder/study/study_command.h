#pragma once
// `vexla-rec study grr|type1`: guides a gauge study on the station and
// analyses it, resumes one that was interrupted, or analyses a study file.

#include <ostream>
#include <string>
#include <vector>

namespace vexla::recorder::study {

// args: what follows "study". 0 when the study was completed and analysed;
// 1 when it stopped before its end, or a file or the driver failed; 2 for
// bad arguments or a study that cannot be analysed.
int RunStudy(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vexla::recorder::study
