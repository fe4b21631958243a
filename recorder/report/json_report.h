#pragma once
// The report's machine-readable summary: per characteristic its
// statistics, control limits, every rule violation and its capability,
// and for a capture recording its parts. docs/user-guide.md lists the fields.

#include <string>
#include <vector>

#include "recorder/report/html_report.h"
#include "recorder/report/recording_file.h"
#include "recorder/report/spc.h"

namespace vexla::recorder::report {

std::string JsonReport(const ReportSources& sources, const RecordingData& recording,
                       const std::vector<Characteristic>& characteristics);

}  // namespace vexla::recorder::report
