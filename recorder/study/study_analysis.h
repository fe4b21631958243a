#pragma once
// A study's readings analysed channel by channel, its results told on the
// console and kept as an HTML page and, if asked, JSON.

#include <optional>
#include <ostream>
#include <string>

#include "recorder/study/study_file.h"

namespace vexla::recorder::study {

struct AnalysisRequest {
    std::string source;  // the study file as the user named it
    std::string report;  // the HTML page; empty: the study file's name with .html
    std::string json;    // empty: none
    // Given on the command line: they take the place of the file's.
    std::optional<double> tolerance;
    std::optional<double> reference;
};

// 0 when every channel was analysed and written, 1 when a file could not
// be written, 2 when the study cannot be analysed (the reason on `err`).
int AnalyseStudy(StudyData study, const AnalysisRequest& request, std::ostream& out, std::ostream& err);

// "run.csv" → "run.html".
std::string ReportNameFor(const std::string& studyFile);

}  // namespace vexla::recorder::study
