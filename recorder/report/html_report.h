#pragma once
// The report as one HTML page that needs nothing else to be read, offline
// in any browser: the run's facts, the characteristics ranked by their
// capability, the statistics table (the one the recorder prints at the end
// of a run), each characteristic's control charts and histogram, a trend
// plot per channel and, for a capture recording, its parts.

#include <string>
#include <string_view>
#include <vector>

#include "quality/tolerance_limits.h"
#include "recorder/report/recording_file.h"
#include "recorder/report/spc.h"

namespace vexla::recorder::report {

struct ReportSources {
    std::string recordingName;      // as the user named the files
    std::string limitsName;         // empty: no limits given
    std::string controlLimitsName;  // empty: the limits come from each channel's baseline
};

std::string HtmlReport(const ReportSources& sources, const RecordingData& recording, const quality::LimitsTable& limits,
                       const std::vector<Characteristic>& characteristics);

// Text made safe for HTML content and attribute values.
std::string EscapeHtml(std::string_view text);

}  // namespace vexla::recorder::report
