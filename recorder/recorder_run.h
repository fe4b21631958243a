#pragma once
// One recording run from start to summary.

#include <iosfwd>
#include <string>

#include "host/driver_library.h"
#include "recorder/model/recorder_options.h"

namespace vexla::recorder {

// One tick's read of the driver into the recording: the rates and the new
// readings of every channel. Returns the rows it appended (continuous mode).
size_t TakeDriverResult(host::DriverFunctions& driver, Recording& recording, const LocalTime& now, std::string& rows);

// 0 after a normal run, 1 when the file or the driver failed, 2 for a bad
// limits file. Rows go to the file; the summary to `out`, messages to `err`.
int RunRecorder(const RecorderOptions& options, std::ostream& out, std::ostream& err);

}  // namespace vexla::recorder
