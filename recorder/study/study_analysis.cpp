#include "recorder/study/study_analysis.h"

#include "recorder/platform/output_file.h"
#include "recorder/study/study_report.h"

namespace vexla::recorder::study {

namespace {

bool Write(const std::string& path, const std::string& text, std::ostream& err) {
    const Status written = ReplaceWholeFile(path, text);
    if (!written) err << "vexla-rec: " << written.Failure().Text() << '\n';
    return written.Ok();
}

}  // namespace

std::string ReportNameFor(const std::string& studyFile) {
    const size_t slash = studyFile.find_last_of("/\\");
    const size_t dot = studyFile.rfind('.');
    const bool extension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (extension ? studyFile.substr(0, dot) : studyFile) + ".html";
}

int AnalyseStudy(StudyData study, const AnalysisRequest& request, std::ostream& out, std::ostream& err) {
    StudyPlan& plan = study.plan;
    if (request.tolerance) plan.tolerance = request.tolerance;
    if (request.reference) plan.reference = request.reference;
    if (study.readings.empty()) {
        err << "vexla-rec: " << request.source << " has no readings\n";
        return 2;
    }
    if (plan.tolerance && !(*plan.tolerance > 0)) {
        err << "vexla-rec: the tolerance must be above 0 mm\n";
        return 2;
    }
    const std::string report = request.report.empty() ? ReportNameFor(request.source) : request.report;
    std::string html, json, summary;
    if (plan.kind == StudyKind::GaugeRr) {
        std::vector<GrrChannel> channels;
        for (const int c : plan.channels) {
            Result<quality::GaugeRrData> data = GaugeRrDataOf(study, c);
            Result<quality::GaugeRrResult> result =
                data ? quality::AnalyseGaugeRr(*data, plan.tolerance) : Result<quality::GaugeRrResult>(data.Failure());
            if (!result) {
                err << "vexla-rec: " << request.source << ": " << result.Failure().reason;
                // Our own study, interrupted: say how it goes on.
                if (study.ours && data)
                    err << " (vexla-rec study grr --resume " << request.source << " takes the rest)";
                err << '\n';
                return 2;
            }
            channels.push_back({c, std::move(*data), std::move(*result)});
        }
        summary = GrrSummary(channels);
        html = GrrHtml(request.source, plan, channels);
        if (!request.json.empty()) json = GrrJson(request.source, plan, channels);
    } else {
        if (!plan.reference || !plan.tolerance) {
            err << "vexla-rec: a Type-1 study needs its reference and tolerance: " << request.source
                << " gives none, so give --reference MM and --tolerance MM\n";
            return 2;
        }
        std::vector<Type1Channel> channels;
        for (const int c : plan.channels) {
            Result<std::vector<double>> readings = Type1ReadingsOf(study, c);
            Result<quality::Type1Result> result =
                readings ? quality::AnalyseType1(*readings, *plan.reference, *plan.tolerance)
                         : Result<quality::Type1Result>(readings.Failure());
            if (!result) {
                err << "vexla-rec: " << request.source << ": channel " << c << ": " << result.Failure().reason << '\n';
                return 2;
            }
            if (study.ours && readings->size() < static_cast<size_t>(plan.count))
                err << "vexla-rec: channel " << c << ": " << readings->size() << " of the " << plan.count
                    << " captures the study plans (vexla-rec study type1 --resume " << request.source
                    << " takes the rest)\n";
            channels.push_back({c, std::move(*readings), *result});
        }
        summary = Type1Summary(channels);
        html = Type1Html(request.source, plan, channels);
        if (!request.json.empty()) json = Type1Json(request.source, plan, channels);
    }
    out << summary;
    if (!Write(report, html, err)) return 1;
    out << "report: " << report << '\n';
    if (!request.json.empty()) {
        if (!Write(request.json, json, err)) return 1;
        out << "results: " << request.json << '\n';
    }
    return 0;
}

}  // namespace vexla::recorder::study
