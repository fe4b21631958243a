#pragma once
// The report as one HTML page that needs nothing else to be read, offline
// in any browser: the run's facts, the statistics table (the one the
// recorder prints at the end of a run) and a trend plot per channel.

#include <string>
#include <string_view>

#include "quality/tolerance_limits.h"
#include "recorder/report/recording_file.h"

namespace vexla::recorder::report {

struct ReportSources {
    std::string recordingName;  // as the user named the files
    std::string limitsName;     // empty: no limits given
};

std::string HtmlReport(const ReportSources& sources, const RecordingData& recording,
                       const quality::LimitsTable& limits);

// Text made safe for HTML content and attribute values.
std::string EscapeHtml(std::string_view text);

}  // namespace vexla::recorder::report
