#pragma once
// One recording run from start to summary.

#include <iosfwd>

#include "recorder/model/recorder_options.h"

namespace vexla::recorder {

// 0 after a normal run, 1 when the file or the driver failed, 2 for a bad
// limits file. Rows go to the file; the summary to `out`, messages to `err`.
int RunRecorder(const RecorderOptions& options, std::ostream& out, std::ostream& err);

}  // namespace vexla::recorder
