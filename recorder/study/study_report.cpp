#include "recorder/study/study_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "quality/distributions.h"
#include "quality/millimetres.h"
#include "recorder/report/html_report.h"
#include "recorder/report/json_writer.h"
#include "recorder/report/svg_plot.h"

namespace vexla::recorder::study {

namespace {

using report::AppendCoordinate;
using report::AppendLine;
using report::EscapeHtml;
using report::JsonWriter;
using report::Scale;

constexpr const char* kStyle = R"(
body { font-family: system-ui, -apple-system, "Segoe UI", Roboto, Arial, sans-serif; color: #1d2330;
       max-width: 1040px; margin: 24px auto; padding: 0 16px; line-height: 1.4; }
h1 { font-size: 1.6em; margin: 0 0 4px; }
h2 { font-size: 1.25em; margin: 28px 0 8px; border-bottom: 1px solid #d8dce6; padding-bottom: 4px; }
h3 { font-size: 1.05em; margin: 18px 0 4px; }
p.subtitle { margin: 0 0 16px; color: #555d6e; word-break: break-all; }
table { border-collapse: collapse; font-variant-numeric: tabular-nums; margin: 4px 0 8px; }
th, td { padding: 3px 9px; border-bottom: 1px solid #e2e5ec; text-align: right; white-space: nowrap; }
th { background: #f1f3f7; }
th.text, td.text { text-align: left; }
.verdict { font-weight: 600; }
.acceptable { color: #2e7d32; } .conditional { color: #8a4b00; } .not-acceptable { color: #b00000; }
svg.plot { display: block; width: 100%; height: auto; }
svg.plot text { font-size: 12px; fill: #3a4150; }
svg.plot .frame { fill: none; stroke: #9aa1b0; }
svg.plot .grid line { stroke: #e6e9ef; }
svg.plot .title { font-weight: 600; }
.centre { stroke: #2e7d32; stroke-width: 1.2; }
.limit { stroke: #c62828; stroke-width: 1.2; stroke-dasharray: 7 4; }
.mean { stroke: #1f5fbf; stroke-width: 1.2; stroke-dasharray: 2 3; }
.separator { stroke: #9aa1b0; stroke-dasharray: 3 3; }
polyline { fill: none; stroke-width: 1.3; }
circle.out { fill: #e00000; }
.op0 { stroke: #1f5fbf; } .op1 { stroke: #c62828; } .op2 { stroke: #2e7d32; } .op3 { stroke: #6a3d9a; }
.op4 { stroke: #e08a00; } .op5 { stroke: #00838f; } .op6 { stroke: #ad1457; } .op7 { stroke: #5d4037; }
.op8 { stroke: #546e7a; } .op9 { stroke: #9e9d24; }
svg.plot circle.op0, svg.plot text.op0 { fill: #1f5fbf; stroke: none; } svg.plot circle.op1, svg.plot text.op1 { fill: #c62828; stroke: none; }
svg.plot circle.op2, svg.plot text.op2 { fill: #2e7d32; stroke: none; } svg.plot circle.op3, svg.plot text.op3 { fill: #6a3d9a; stroke: none; }
svg.plot circle.op4, svg.plot text.op4 { fill: #e08a00; stroke: none; } svg.plot circle.op5, svg.plot text.op5 { fill: #00838f; stroke: none; }
svg.plot circle.op6, svg.plot text.op6 { fill: #ad1457; stroke: none; } svg.plot circle.op7, svg.plot text.op7 { fill: #5d4037; stroke: none; }
svg.plot circle.op8, svg.plot text.op8 { fill: #546e7a; stroke: none; } svg.plot circle.op9, svg.plot text.op9 { fill: #9e9d24; stroke: none; }
footer { margin-top: 32px; color: #8a90a0; font-size: 0.85em; }
)";

std::string Format(const char* format, double value) {
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// σ and variances in mm: four significant digits whatever their size.
std::string Sig(double value) {
    return Format("%.4g", value);
}

std::string Percent(double value) {
    return Format("%.1f", value);
}

std::string PValue(const std::optional<double>& p) {
    if (!p) return "–";
    return *p < 0.001 ? "&lt;0.001" : Format("%.3f", *p);
}

// "–" where the gauge showed no variation at all.
std::string NdcText(const std::optional<int>& ndc) {
    return ndc ? std::to_string(*ndc) : "–";
}

std::string VerdictClass(quality::GrrVerdict v) {
    return v == quality::GrrVerdict::Acceptable    ? "acceptable"
           : v == quality::GrrVerdict::Conditional ? "conditional"
                                                   : "not-acceptable";
}

// One plot: point series (joined or not, with a class each), horizontal
// reference lines, and vertical separators with labels between groups.
struct Series {
    std::string cls;
    std::vector<std::pair<double, double>> points;
    bool joined = true;
};
struct Level {
    double y = 0;
    std::string cls;
    std::string label;
};
struct Separator {
    double x = 0;  // where a group starts
    std::string label;
};
struct PlotContent {
    std::string title;
    std::string xTitle;
    std::vector<Series> series;
    std::vector<Level> levels;
    std::vector<Separator> groups;
    double xFrom = 0, xTo = 1;
    std::vector<std::pair<double, std::string>> xTicks;    // empty: numbers
    std::optional<std::pair<double, double>> outsideBand;  // points beyond it are marked
    std::vector<std::pair<std::string, std::string>> key;  // class, label: which line is whose
};

std::string Plot(const PlotContent& content) {
    constexpr double kWidth = 960, kHeight = 300, kLeft = 80, kRight = 150, kTop = 28, kBottom = 40;
    double low = INFINITY, high = -INFINITY;
    for (const Series& s : content.series)
        for (const auto& [x, y] : s.points) low = std::min(low, y), high = std::max(high, y);
    for (const Level& l : content.levels) low = std::min(low, l.y), high = std::max(high, l.y);
    if (!std::isfinite(low)) low = 0, high = 1;
    if (high - low < 1e-12) low -= 0.001, high += 0.001;
    const double pad = (high - low) * 0.08;
    low -= pad, high += pad;
    const Scale x(content.xFrom, content.xTo, kLeft, kWidth - kLeft - kRight, false);
    const Scale y(low, high, kTop, kHeight - kTop - kBottom, true);
    std::string svg = "<svg class=\"plot\" viewBox=\"0 0 960 300\" xmlns=\"http://www.w3.org/2000/svg\">\n";
    svg += "<text class=\"title\" x=\"" + std::to_string(static_cast<int>(kLeft)) + "\" y=\"18\">" +
           EscapeHtml(content.title) + "</text>\n<g class=\"grid\">";
    const auto [step, decimals] = report::NiceStep(high - low, 5);
    std::string labels;
    for (double v = std::ceil(low / step) * step; v <= high; v += step) {
        AppendLine(svg, "", kLeft, kWidth - kRight, y(v), y(v));
        labels += "<text x=\"" + std::to_string(static_cast<int>(kLeft - 6)) + "\" y=\"";
        AppendCoordinate(labels, y(v) + 4);
        labels += "\" text-anchor=\"end\">" + quality::DecimalText(v, decimals) + "</text>";
    }
    svg += "</g>\n" + labels + "\n";
    report::AppendFrame(svg, kLeft, kTop, kWidth - kLeft - kRight, kHeight - kTop - kBottom);
    for (const auto& [at, text] : content.xTicks) {
        svg += "<text x=\"";
        AppendCoordinate(svg, x(at));
        svg += "\" y=\"" + std::to_string(static_cast<int>(kHeight - kBottom + 16)) + "\" text-anchor=\"middle\">" +
               EscapeHtml(text) + "</text>";
    }
    svg += "<text x=\"";
    AppendCoordinate(svg, kLeft + (kWidth - kLeft - kRight) / 2);
    svg += "\" y=\"" + std::to_string(static_cast<int>(kHeight - 6)) + "\" text-anchor=\"middle\">" +
           EscapeHtml(content.xTitle) + "</text>\n";
    for (const Separator& g : content.groups) {
        AppendLine(svg, "separator", x(g.x), x(g.x), kTop, kHeight - kBottom);
        svg += "<text x=\"";
        AppendCoordinate(svg, x(g.x) + 4);
        svg += "\" y=\"" + std::to_string(static_cast<int>(kTop + 14)) + "\">" + EscapeHtml(g.label) + "</text>";
    }
    // The levels' labels top to bottom, each at least a line below the one above.
    std::vector<std::pair<double, const Level*>> labelled;
    for (const Level& l : content.levels) {
        AppendLine(svg, l.cls.c_str(), kLeft, kWidth - kRight, y(l.y), y(l.y));
        labelled.emplace_back(y(l.y) + 4, &l);
    }
    std::sort(labelled.begin(), labelled.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < labelled.size(); ++i)
        labelled[i].first = std::max(labelled[i].first, labelled[i - 1].first + 13);
    for (const auto& [at, l] : labelled) {
        svg += "<text x=\"" + std::to_string(static_cast<int>(kWidth - kRight + 6)) + "\" y=\"";
        AppendCoordinate(svg, at);
        svg += "\">" + EscapeHtml(l->label) + "</text>";
    }
    for (size_t i = 0; i < content.key.size(); ++i) {
        svg += "<text class=\"" + content.key[i].first + "\" x=\"" +
               std::to_string(static_cast<int>(kWidth - kRight + 6)) + "\" y=\"" +
               std::to_string(static_cast<int>(kTop + 14 + 16 * i)) + "\">" + EscapeHtml(content.key[i].second) +
               "</text>";
    }
    svg += '\n';
    for (const Series& s : content.series) {
        if (s.joined && s.points.size() > 1) {
            svg += "<polyline class=\"" + s.cls + "\" points=\"";
            for (const auto& [px, py] : s.points) {
                AppendCoordinate(svg, x(px));
                svg += ',';
                AppendCoordinate(svg, y(py));
                svg += ' ';
            }
            svg += "\"/>";
        }
        for (const auto& [px, py] : s.points) {
            const bool out =
                content.outsideBand && (py < content.outsideBand->first || py > content.outsideBand->second);
            svg += "<circle class=\"" + (out ? std::string("out") : s.cls) + "\" r=\"" + (out ? "3.5" : "2.5") +
                   "\" cx=\"";
            AppendCoordinate(svg, x(px));
            svg += "\" cy=\"";
            AppendCoordinate(svg, y(py));
            svg += "\"/>";
        }
        svg += '\n';
    }
    svg += "</svg>\n";
    return svg;
}

double CellMean(const quality::GaugeRrData& d, int o, int p) {
    double sum = 0;
    for (int t = 0; t < d.Trials(); ++t) sum += d.At(o, t, p);
    return sum / d.Trials();
}

double CellRange(const quality::GaugeRrData& d, int o, int p) {
    double low = d.At(o, 0, p), high = low;
    for (int t = 1; t < d.Trials(); ++t) low = std::min(low, d.At(o, t, p)), high = std::max(high, d.At(o, t, p));
    return high - low;
}

std::string GrrPlots(const StudyPlan& plan, const GrrChannel& c) {
    const quality::GaugeRrData& d = c.data;
    const quality::GrrAverageRange& ar = c.result.averageRange;
    const int P = d.Parts(), O = d.Operators(), R = d.Trials();
    PlotContent range, mean, interaction;
    range.title = "Range chart by operator";
    mean.title = "Mean chart by operator";
    range.xTitle = mean.xTitle = "operator and part";
    range.xFrom = mean.xFrom = 0.5;
    range.xTo = mean.xTo = O * P + 0.5;
    double grand = 0;
    for (int o = 0; o < O; ++o)
        for (int p = 0; p < P; ++p) grand += CellMean(d, o, p);
    grand /= O * P;
    const quality::RangeMoments k = quality::NormalRangeMoments(R);
    const double d3 = std::sqrt(std::max(0.0, k.d2Single * k.d2Single - k.d2 * k.d2));
    const double lclR = std::max(0.0, 1 - 3 * d3 / k.d2) * ar.rBarBar;
    const double a2 = 3 / (k.d2 * std::sqrt(static_cast<double>(R)));
    for (int o = 0; o < O; ++o) {
        Series r{"op" + std::to_string(o), {}, true}, m{"op" + std::to_string(o), {}, true};
        for (int p = 0; p < P; ++p) {
            const double at = o * P + p + 1;
            r.points.emplace_back(at, CellRange(d, o, p));
            m.points.emplace_back(at, CellMean(d, o, p));
        }
        range.series.push_back(std::move(r));
        mean.series.push_back(std::move(m));
        range.groups.push_back({o * P + 0.5, plan.operators[static_cast<size_t>(o)]});
        // Part numbers under each operator's points, while they fit.
        if (O * P <= 60)
            for (int p = 0; p < P; ++p) range.xTicks.emplace_back(o * P + p + 1, std::to_string(p + 1));
        mean.groups.push_back({o * P + 0.5, plan.operators[static_cast<size_t>(o)]});
    }
    range.levels = {{ar.rBarBar, "centre", "R̄̄ " + Sig(ar.rBarBar)},
                    {ar.uclR, "limit", "UCL " + Sig(ar.uclR)},
                    {lclR, "limit", "LCL " + Sig(lclR)}};
    range.outsideBand = std::make_pair(lclR, ar.uclR);
    mean.xTicks = range.xTicks;
    const double uclX = grand + a2 * ar.rBarBar, lclX = grand - a2 * ar.rBarBar;
    mean.levels = {
        {grand, "centre", "X̄̄ " + Sig(grand)}, {uclX, "limit", "UCL " + Sig(uclX)}, {lclX, "limit", "LCL " + Sig(lclX)}};
    interaction.title = "Part × operator: each operator's mean per part";
    interaction.xTitle = "part";
    interaction.xFrom = 0.5;
    interaction.xTo = P + 0.5;
    for (int p = 0; p < P; ++p) interaction.xTicks.emplace_back(p + 1, std::to_string(p + 1));
    for (int o = 0; o < O; ++o) {
        Series s{"op" + std::to_string(o), {}, true};
        for (int p = 0; p < P; ++p) s.points.emplace_back(p + 1, CellMean(d, o, p));
        interaction.series.push_back(std::move(s));
        interaction.key.emplace_back("op" + std::to_string(o), plan.operators[static_cast<size_t>(o)]);
    }
    std::string html =
        "<p class=\"legend\">The mean chart's limits come from the ranges: within them the gauge "
        "cannot tell the parts apart, so most points should lie outside.</p>\n";
    return Plot(range) + html + Plot(mean) + Plot(interaction);
}

void FiguresRows(std::string& html, const quality::GrrFigures& f, bool interaction) {
    const double tv = f.tv;
    const auto row = [&](const char* name, double sigma, double percent) {
        html += "<tr><td class=\"text\">" + std::string(name) + "</td><td>" + Sig(sigma * sigma) + "</td><td>" +
                Sig(sigma) + "</td><td>" + Sig(6 * sigma) + "</td><td>" + Percent(percent) + "</td>";
        html += "<td>" + (f.grrTolerancePercent && tv > 0 ? Percent(*f.grrTolerancePercent * sigma / f.grr) : "–") +
                "</td></tr>\n";
    };
    html +=
        "<table><tr><th class=\"text\">source</th><th>variance mm²</th><th>σ mm</th><th>6σ mm</th>"
        "<th>% of TV</th><th>% of tolerance</th></tr>\n";
    row("repeatability (EV)", f.ev, f.evPercent);
    row("reproducibility (AV)", f.av, f.avPercent);
    if (interaction) row("part × operator", f.interaction, f.interactionPercent);
    row("gauge R&amp;R (GRR)", f.grr, f.grrPercent);
    row("part variation (PV)", f.pv, f.pvPercent);
    row("total variation (TV)", f.tv, 100);
    html += "</table>\n";
}

std::string VerdictLine(const quality::GrrFigures& f) {
    return "<p class=\"verdict " + VerdictClass(f.verdict) + "\">%GRR " + Percent(f.grrPercent) + " % of TV" +
           (f.grrTolerancePercent ? ", " + Percent(*f.grrTolerancePercent) + " % of the tolerance" : std::string()) +
           "; ndc " + NdcText(f.ndc) + ": " + quality::GrrVerdictText(f.verdict) + "</p>\n";
}

void AnovaRow(std::string& html, const char* name, const quality::AnovaRow& r) {
    html += "<tr><td class=\"text\">" + std::string(name) + "</td><td>" + std::to_string(r.df) + "</td><td>" +
            Sig(r.ss) + "</td><td>" + Sig(r.ms) + "</td><td>" + (r.f ? Format("%.3f", *r.f) : "–") + "</td><td>" +
            PValue(r.p) + "</td></tr>\n";
}

// The ANOVA table's rows as they stand in the report and in the JSON.
struct TableRow {
    const char* shown;
    const char* key;
    const quality::AnovaRow* row;
};

std::vector<TableRow> TableRows(const quality::GrrAnova& a) {
    std::vector<TableRow> rows = {{"part", "part", &a.part}};
    if (a.hasOperators) {
        rows.push_back({"operator", "operator", &a.op});
        rows.push_back({"part × operator", "interaction", &a.interaction});
    }
    rows.push_back({"repeatability", "repeatability", &a.repeatability});
    if (a.pooled) rows.push_back({"repeatability, interaction pooled", "pooled_repeatability", &a.pooledRepeatability});
    rows.push_back({"total", "total", &a.total});
    return rows;
}

void JsonFigures(JsonWriter& j, const quality::GrrFigures& f) {
    j.BeginObject();
    j.Key("ev").Number(f.ev).Key("av").Number(f.av).Key("interaction").Number(f.interaction);
    j.Key("grr").Number(f.grr).Key("pv").Number(f.pv).Key("tv").Number(f.tv);
    j.Key("ev_percent").Number(f.evPercent).Key("av_percent").Number(f.avPercent);
    j.Key("interaction_percent").Number(f.interactionPercent).Key("grr_percent").Number(f.grrPercent);
    j.Key("pv_percent").Number(f.pvPercent).Key("grr_tolerance_percent").Number(f.grrTolerancePercent);
    j.Key("ndc")
        .Number(f.ndc ? std::optional<double>(*f.ndc) : std::nullopt)
        .Key("verdict")
        .String(quality::GrrVerdictText(f.verdict));
    j.EndObject();
}

void JsonAnovaRow(JsonWriter& j, const char* source, const quality::AnovaRow& r) {
    j.BeginObject().Key("source").String(source).Key("df").Integer(r.df).Key("ss").Number(r.ss);
    j.Key("ms").Number(r.ms).Key("f").Number(r.f).Key("p").Number(r.p).EndObject();
}

std::string Page(const std::string& title, const std::string& source, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" + EscapeHtml(title) +
           "</title><style>" + kStyle + "</style></head><body>\n<h1>" + EscapeHtml(title) +
           "</h1>\n<p class=\"subtitle\">" + EscapeHtml(source) + "</p>\n" + body +
           "<footer>vexla-rec</footer>\n</body></html>\n";
}

}  // namespace

std::string GrrSummary(const std::vector<GrrChannel>& channels) {
    std::string text;
    for (const GrrChannel& c : channels) {
        const quality::GrrFigures& a = c.result.anova.figures;
        const quality::GrrFigures& r = c.result.averageRange.figures;
        text += "channel " + std::to_string(c.channel) + ": %GRR " + Percent(a.grrPercent) + " % of TV";
        if (a.grrTolerancePercent) text += ", " + Percent(*a.grrTolerancePercent) + " % of the tolerance";
        text += ", ndc " + NdcText(a.ndc) + ": " + quality::GrrVerdictText(a.verdict) + " (EV " + Sig(a.ev) + ", AV " +
                Sig(a.av) + ", PV " + Sig(a.pv) + " mm; average and range: %GRR " + Percent(r.grrPercent) + " %, ndc " +
                NdcText(r.ndc) + ")\n";
    }
    return text;
}

std::string GrrHtml(const std::string& source, const StudyPlan& plan, const std::vector<GrrChannel>& channels) {
    std::string body = "<p>" + std::to_string(plan.parts) + " parts, " + std::to_string(plan.Operators()) +
                       " operators, " + std::to_string(plan.trials) + " trials" +
                       (plan.tolerance ? "; tolerance " + Format("%g", *plan.tolerance) + " mm" : std::string()) +
                       ". Figures are standard deviations σ; the study variation is 6σ. The part × operator "
                       "interaction is pooled into repeatability when its p-value is above " +
                       Format("%.2f", quality::kInteractionPoolingP) +
                       ". Verdict: %GRR under 10 % acceptable, 10 to 30 % conditional, above 30 % not "
                       "acceptable; fewer than 5 distinct categories (ndc) are not acceptable.</p>\n";
    for (const GrrChannel& c : channels) {
        const quality::GrrAnova& a = c.result.anova;
        const quality::GrrAverageRange& ar = c.result.averageRange;
        body += "<h2>Channel " + std::to_string(c.channel) + "</h2>\n" + VerdictLine(a.figures);
        body +=
            "<h3>Analysis of variance</h3>\n<table><tr><th class=\"text\">source</th><th>DF</th><th>SS</th>"
            "<th>MS</th><th>F</th><th>p</th></tr>\n";
        for (const TableRow& r : TableRows(a)) AnovaRow(body, r.shown, *r.row);
        body += "</table>\n<h3>Variance components</h3>\n";
        FiguresRows(body, a.figures, !a.pooled && a.hasOperators);
        body += "<h3>Average and range method (cross-check)</h3>\n" + VerdictLine(ar.figures);
        body += "<p>R̄̄ " + Sig(ar.rBarBar) + " mm, X̄<sub>diff</sub> " + Sig(ar.xDiff) + " mm, R<sub>p</sub> " +
                Sig(ar.rP) + " mm; K1 " + Format("%.4f", ar.k1) + ", K2 " + Format("%.4f", ar.k2) + ", K3 " +
                Format("%.4f", ar.k3) + "</p>\n";
        FiguresRows(body, ar.figures, false);
        body += GrrPlots(plan, c);
    }
    return Page("Gauge R&R study", source, body);
}

std::string GrrJson(const std::string& source, const StudyPlan& plan, const std::vector<GrrChannel>& channels) {
    JsonWriter j;
    j.BeginObject().Key("study").String("grr").Key("file").String(source);
    j.Key("parts").Integer(plan.parts).Key("trials").Integer(plan.trials).Key("operators").BeginArray();
    for (const std::string& name : plan.operators) j.String(name);
    j.EndArray().Key("tolerance").Number(plan.tolerance);
    j.Key("interaction_pooling_p").Number(quality::kInteractionPoolingP).Key("study_variation_sigmas").Integer(6);
    j.Key("channels").BeginArray();
    for (const GrrChannel& c : channels) {
        const quality::GrrAnova& a = c.result.anova;
        const quality::GrrAverageRange& ar = c.result.averageRange;
        j.BeginObject().Key("channel").Integer(c.channel).Key("anova").BeginObject().Key("table").BeginArray();
        for (const TableRow& r : TableRows(a)) JsonAnovaRow(j, r.key, *r.row);
        j.EndArray().Key("interaction_pooled").Bool(a.pooled);
        j.Key("variance").BeginObject().Key("repeatability").Number(a.varRepeatability);
        j.Key("operator").Number(a.varOperator).Key("interaction").Number(a.varInteraction);
        j.Key("part").Number(a.varPart).EndObject();
        j.Key("figures");
        JsonFigures(j, a.figures);
        j.EndObject().Key("average_range").BeginObject();
        j.Key("r_bar_bar").Number(ar.rBarBar).Key("x_diff").Number(ar.xDiff).Key("r_p").Number(ar.rP);
        j.Key("k1").Number(ar.k1).Key("k2").Number(ar.k2).Key("k3").Number(ar.k3).Key("ucl_r").Number(ar.uclR);
        j.Key("figures");
        JsonFigures(j, ar.figures);
        j.EndObject().EndObject();
    }
    j.EndArray().EndObject();
    return j.Text() + "\n";
}

std::string Type1Summary(const std::vector<Type1Channel>& channels) {
    std::string text;
    for (const Type1Channel& c : channels) {
        const quality::Type1Result& r = c.result;
        text += "channel " + std::to_string(c.channel) + ": " + std::to_string(r.count) + " readings, mean " +
                Format("%.5f", r.mean) + " mm, s " + Sig(r.s) + " mm, bias " + Format("%+.5f", r.bias) + " mm";
        if (r.cg) {
            text += ", Cg " + Format("%.2f", *r.cg) + ", Cgk " + Format("%.2f", *r.cgk);
        } else {
            text += ", no spread (Cg and Cgk not defined)";
        }
        text += r.capable ? ": capable" : ": not capable";
        text += r.biasSignificant ? "; the bias is significant" : "; the bias is not significant";
        if (r.p) text += " (p " + Format("%.3f", *r.p) + ")";
        text += "\n";
    }
    return text;
}

std::string Type1Html(const std::string& source, const StudyPlan& plan, const std::vector<Type1Channel>& channels) {
    const double t = plan.tolerance.value_or(0), ref = plan.reference.value_or(0);
    std::string body = "<p>Reference " + Format("%g", ref) + " mm, tolerance " + Format("%g", t) +
                       " mm. Cg = 0.2·T / (6s), Cgk = (0.1·T − |bias|) / (3s); capable from " +
                       Format("%.2f", quality::kCapableCg) +
                       ". The bias is tested against zero with Student's t, two-sided, at 5 %.</p>\n";
    body +=
        "<table><tr><th>channel</th><th>n</th><th>mean mm</th><th>s mm</th><th>bias mm</th><th>Cg</th>"
        "<th>Cgk</th><th>t</th><th>p</th><th class=\"text\">verdict</th></tr>\n";
    for (const Type1Channel& c : channels) {
        const quality::Type1Result& r = c.result;
        body += "<tr><td>" + std::to_string(c.channel) + "</td><td>" + std::to_string(r.count) + "</td><td>" +
                Format("%.5f", r.mean) + "</td><td>" + Sig(r.s) + "</td><td>" + Format("%+.5f", r.bias) + "</td><td>" +
                (r.cg ? Format("%.2f", *r.cg) : "–") + "</td><td>" + (r.cgk ? Format("%.2f", *r.cgk) : "–") +
                "</td><td>" + (r.t ? Format("%.3f", *r.t) : "–") + "</td><td>" + PValue(r.p) +
                "</td><td class=\"text verdict " +
                (r.capable ? "acceptable\">capable" : "not-acceptable\">not capable") +
                (r.biasSignificant ? ", significant bias" : "") + "</td></tr>\n";
    }
    body += "</table>\n";
    for (const Type1Channel& c : channels) {
        PlotContent run;
        run.title = "Channel " + std::to_string(c.channel) + ": run chart";
        run.xTitle = "capture";
        run.xFrom = 0.5;
        run.xTo = static_cast<double>(c.readings.size()) + 0.5;
        const double step = std::max(1.0, report::NiceStep(static_cast<double>(c.readings.size()), 10).first);
        for (double at = step; at <= static_cast<double>(c.readings.size()); at += step)
            run.xTicks.emplace_back(at, std::to_string(static_cast<int>(at)));
        Series s{"op0", {}, true};
        for (size_t i = 0; i < c.readings.size(); ++i) s.points.emplace_back(static_cast<double>(i + 1), c.readings[i]);
        run.series.push_back(std::move(s));
        run.levels = {{ref, "centre", "reference " + Format("%g", ref)},
                      {ref + 0.1 * t, "limit", "+0.1·T"},
                      {ref - 0.1 * t, "limit", "−0.1·T"},
                      {c.result.mean, "mean", "mean"}};
        run.outsideBand = std::make_pair(ref - 0.1 * t, ref + 0.1 * t);
        body += "<h2>Channel " + std::to_string(c.channel) + "</h2>\n" + Plot(run);
    }
    return Page("Type-1 study", source, body);
}

std::string Type1Json(const std::string& source, const StudyPlan& plan, const std::vector<Type1Channel>& channels) {
    JsonWriter j;
    j.BeginObject().Key("study").String("type1").Key("file").String(source);
    j.Key("reference").Number(plan.reference).Key("tolerance").Number(plan.tolerance);
    j.Key("capable_from").Number(quality::kCapableCg).Key("channels").BeginArray();
    for (const Type1Channel& c : channels) {
        const quality::Type1Result& r = c.result;
        j.BeginObject().Key("channel").Integer(c.channel).Key("count").Integer(r.count);
        j.Key("mean").Number(r.mean).Key("s").Number(r.s).Key("bias").Number(r.bias);
        j.Key("minimum").Number(r.minimum).Key("maximum").Number(r.maximum);
        j.Key("cg").Number(r.cg).Key("cgk").Number(r.cgk).Key("t").Number(r.t).Key("p").Number(r.p);
        j.Key("bias_significant").Bool(r.biasSignificant).Key("capable").Bool(r.capable).EndObject();
    }
    j.EndArray().EndObject();
    return j.Text() + "\n";
}

}  // namespace vexla::recorder::study
