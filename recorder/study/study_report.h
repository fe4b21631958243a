#pragma once
// A study's results: a line or two per channel for the console, one HTML
// page that needs nothing else (tables, the R and X̄ charts by operator, the
// interaction plot; for a Type-1 study the run chart), and JSON with every
// figure for other programs.

#include <string>
#include <vector>

#include "quality/gauge_rr.h"
#include "quality/msa_type1.h"
#include "recorder/study/study_file.h"

namespace vexla::recorder::study {

struct GrrChannel {
    int channel = 0;
    quality::GaugeRrData data;
    quality::GaugeRrResult result;
};

struct Type1Channel {
    int channel = 0;
    std::vector<double> readings;
    quality::Type1Result result;
};

// `source`: the study file as the user named it.
std::string GrrSummary(const std::vector<GrrChannel>& channels);
std::string GrrHtml(const std::string& source, const StudyPlan& plan, const std::vector<GrrChannel>& channels);
std::string GrrJson(const std::string& source, const StudyPlan& plan, const std::vector<GrrChannel>& channels);

std::string Type1Summary(const std::vector<Type1Channel>& channels);
std::string Type1Html(const std::string& source, const StudyPlan& plan, const std::vector<Type1Channel>& channels);
std::string Type1Json(const std::string& source, const StudyPlan& plan, const std::vector<Type1Channel>& channels);

}  // namespace vexla::recorder::study
