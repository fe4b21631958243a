#include "recorder/report/html_report.h"

#include <algorithm>
#include <vector>

#include "quality/millimetres.h"
#include "recorder/model/statistics_table.h"
#include "recorder/report/control_plot.h"
#include "recorder/report/trend_plot.h"

namespace vexla::recorder::report {

namespace {

// Inline only, with the system's own fonts: the page is mailed and archived
// and must look the same without a network.
constexpr const char* kStyle = R"(
body { font-family: system-ui, -apple-system, "Segoe UI", Roboto, "Helvetica Neue", Arial, sans-serif;
       color: #1d2330; background: #fff; max-width: 1040px; margin: 24px auto; padding: 0 16px; line-height: 1.4; }
h1 { font-size: 1.6em; margin: 0 0 4px; }
h2 { font-size: 1.25em; margin: 28px 0 8px; border-bottom: 1px solid #d8dce6; padding-bottom: 4px; }
h3 { font-size: 1.05em; margin: 22px 0 2px; }
p.subtitle { margin: 0 0 16px; color: #555d6e; word-break: break-all; }
table { border-collapse: collapse; font-variant-numeric: tabular-nums; }
th, td { padding: 3px 10px; border-bottom: 1px solid #e2e5ec; vertical-align: top; }
table.metadata th { text-align: left; font-weight: 600; color: #555d6e; }
table.metadata td { word-break: break-all; }
table.statistics { font-size: 0.92em; }
table.statistics th, table.statistics td { padding: 3px 7px; }
table.statistics th { background: #f1f3f7; text-align: right; white-space: nowrap; }
table.statistics td { text-align: right; white-space: nowrap; }
table.statistics th.text, table.statistics td.text { text-align: left; }
.scroll { overflow-x: auto; }
ul.notes { padding-left: 20px; color: #8a4b00; }
p.plot-note, p.legend { margin: 0 0 4px; color: #555d6e; font-size: 0.9em; }
svg.plot { display: block; width: 100%; height: auto; }
svg.plot text { font-size: 12px; fill: #3a4150; }
svg.plot .ticks.y text { text-anchor: end; }
svg.plot .ticks.x text { text-anchor: middle; }
svg.plot .axis-title { text-anchor: middle; fill: #555d6e; }
svg.plot .grid line { stroke: #e6e9ef; stroke-width: 1; }
svg.plot .frame { fill: none; stroke: #9aa1b0; stroke-width: 1; }
.trend { fill: none; stroke: #1f5fbf; stroke-width: 1.2; stroke-linejoin: round; }
.limit, .tol-limit { stroke: #c62828; stroke-width: 1.3; stroke-dasharray: 7 4; }
.limit.nominal, .tol-limit.nominal { stroke: #2e7d32; stroke-dasharray: 2 4; }
svg.plot .limit-label { font-size: 11px; fill: #c62828; }
svg.plot .limit-label.nominal { fill: #2e7d32; }
circle.outside { fill: none; stroke: #e00000; stroke-width: 1.5; }
.chart-line { fill: none; stroke: #1f5fbf; stroke-width: 1.1; stroke-linejoin: round; }
.control { stroke: #6a3d9a; stroke-width: 1.2; stroke-dasharray: 6 3; }
.control.centre { stroke: #2e7d32; stroke-dasharray: none; }
svg.plot .control-label { font-size: 11px; fill: #6a3d9a; }
svg.plot .chart-title { font-weight: 600; }
circle.violation { fill: #e00000; stroke: none; }
svg.plot .rule-label { font-size: 10px; fill: #b00000; }
rect.bar { fill: #9bb8e3; stroke: #1f5fbf; stroke-width: 0.6; }
svg.plot .tol-label { font-size: 11px; fill: #c62828; text-anchor: middle; }
table.statistics td.unstable { color: #8a90a0; font-style: italic; }
table.statistics td.out { color: #b00000; font-weight: 600; }
table.parts td.nok { color: #b00000; }
table.parts td.gap { color: #555d6e; font-style: italic; text-align: center; }
.key { display: inline-block; width: 22px; height: 0; vertical-align: middle; margin: 0 4px 0 10px; }
.key.trend { border-top: 2px solid #1f5fbf; }
.key.limit { border-top: 2px dashed #c62828; }
.key.nominal { border-top: 2px dotted #2e7d32; }
.key.outside { width: 8px; height: 8px; border: 1.5px solid #e00000; border-radius: 50%; }
footer { margin-top: 32px; color: #8a90a0; font-size: 0.85em; }
@media print { section.channel { break-inside: avoid; } }
)";

std::string GaugeText(int decimals) {
    if (decimals == 2) return "0.01 mm";
    if (decimals == 3) return "0.001 mm";
    std::string text = std::to_string(decimals);
    text += decimals == 1 ? " decimal" : " decimals";
    return text;
}

// "1–4, 7, 9–10".
std::string ChannelList(const std::vector<int>& channels) {
    std::string text;
    for (size_t i = 0; i < channels.size();) {
        size_t end = i;
        while (end + 1 < channels.size() && channels[end + 1] == channels[end] + 1) ++end;
        if (!text.empty()) text += ", ";
        text += std::to_string(channels[i]);
        if (end > i) {
            text += end == i + 1 ? ", " : "\u2013";
            text += std::to_string(channels[end]);
        }
        i = end + 1;
    }
    return text;
}

void MetadataRow(std::string& html, const char* id, const char* heading, const std::string& text) {
    html += "<tr><th>";
    html += heading;
    html += "</th><td id=\"";
    html += id;
    html += "\">";
    html += EscapeHtml(text);
    html += "</td></tr>\n";
}

std::string Plural(uint64_t count, const char* one, const char* many) {
    std::string text = std::to_string(count);
    text += ' ';
    text += count == 1 ? one : many;
    return text;
}

void Metadata(std::string& html, const ReportSources& sources, const RecordingData& r) {
    html += "<table class=\"metadata\">\n";
    MetadataRow(html, "file", "file", sources.recordingName);
    MetadataRow(html, "first-time", "first reading", r.first ? LocalDateTimeText(*r.first) : "-");
    MetadataRow(html, "last-time", "last reading", r.last ? LocalDateTimeText(*r.last) : "-");
    MetadataRow(html, "duration", "duration", r.first ? DurationText(r.latest - r.earliest) : "-");
    MetadataRow(html, "rows", "rows", std::to_string(r.rows));
    MetadataRow(html, "rows-skipped", "lines skipped", std::to_string(r.skipped));
    std::vector<int> channels;
    // Gauge kinds by channel: one list per number of decimals, and the
    // channels whose kind changed during the run.
    std::vector<std::pair<std::string, std::vector<int>>> kinds;
    for (int c = 1; c <= quality::kChannels; ++c) {
        const ChannelData& data = r.channels[static_cast<size_t>(c - 1)];
        if (data.points.empty()) continue;
        channels.push_back(c);
        std::string kind = GaugeText(data.mostDecimals);
        if (data.fewestDecimals != data.mostDecimals) {
            kind = GaugeText(data.fewestDecimals);
            kind += " and ";
            kind += GaugeText(data.mostDecimals);
        }
        auto found = std::find_if(kinds.begin(), kinds.end(), [&](const auto& k) { return k.first == kind; });
        if (found == kinds.end()) {
            kinds.emplace_back(kind, std::vector<int>{c});
        } else {
            found->second.push_back(c);
        }
    }
    MetadataRow(html, "channels", "channels", channels.empty() ? "none" : ChannelList(channels));
    std::string gauges;
    for (const auto& [kind, list] : kinds) {
        if (!gauges.empty()) gauges += "; ";
        gauges += kind;
        gauges += ": ";
        gauges += ChannelList(list);
    }
    MetadataRow(html, "gauges", "gauges (reading step)", gauges.empty() ? "-" : gauges);
    if (r.layout.capture) {
        std::string captures = std::to_string(r.captures);
        if (r.captures > 0) {
            captures += " (parts ";
            captures += std::to_string(r.firstPart);
            captures += " to ";
            captures += std::to_string(r.lastPart);
            captures += ')';
        }
        MetadataRow(html, "captures", "captures", captures);
    }
    MetadataRow(html, "limits", "limits", sources.limitsName.empty() ? "none" : sources.limitsName);
    if (!sources.controlLimitsName.empty())
        MetadataRow(html, "control-limits", "control limits", sources.controlLimitsName);
    html += "</table>\n";

    std::vector<std::string> notes;
    if (r.empty) notes.emplace_back("The file is empty.");
    if (!r.empty && r.rows == 0) notes.emplace_back("The file holds no readings.");
    if (r.skipped > 0) {
        std::string note = Plural(r.skipped, "line does", "lines do");
        note += " not parse as a reading and ";
        note += r.skipped == 1 ? "is" : "are";
        note += " left out (the first is line ";
        note += std::to_string(r.firstSkippedLine);
        note += ").";
        notes.push_back(note);
    }
    if (r.cutOff)
        notes.emplace_back("The last line is cut off (the recorder stopped while writing it) and is left out.");
    if (r.stepsBack > 0) {
        std::string note = "The clock went back ";
        note += r.stepsBack == 1 ? "once" : Plural(r.stepsBack, "time", "times");
        note += " during the recording (by up to ";
        note += DurationText(r.largestStepBack);
        note +=
            "): the plots run from the earliest to the latest time, the first and last reading are those of the "
            "file.";
        notes.push_back(note);
    }
    if (r.offsets.size() > 1) {
        notes.emplace_back(
            "The UTC offset changes during the recording (daylight saving time): each time is shown "
            "in the offset it was recorded with.");
    }
    if (notes.empty()) return;
    html += "<ul class=\"notes\">\n";
    for (const std::string& note : notes) {
        html += "<li>";
        html += EscapeHtml(note);
        html += "</li>\n";
    }
    html += "</ul>\n";
}

// "1.33", or "-" where the index is not defined.
std::string IndexText(const std::optional<double>& index) {
    return index ? quality::DecimalText(*index, 2) : "-";
}

std::string ChartTitle(const Characteristic& c) {
    std::string title = "Channel ";
    title += std::to_string(c.channel);
    if (!c.Name().empty()) {
        title += " \u00b7 ";
        title += c.Name();
    }
    return title;
}

std::string ChartState(const Characteristic& c) {
    if (!c.analysis.limits) return "no control limits: " + c.analysis.limitsMissing;
    if (c.analysis.inControl) return "in control";
    return "out of control: its capability is not meaningful";
}

void Cell(std::string& html, const std::string& text, const char* cls = nullptr) {
    html += cls ? std::string("<td class=\"") + cls + "\">" : std::string("<td>");
    html += EscapeHtml(text);
    html += "</td>";
}

// The characteristics ranked by Ppk, worst first: what to look at first.
void Characteristics(std::string& html, const std::vector<Characteristic>& characteristics) {
    if (characteristics.empty()) return;
    const bool cpm = std::any_of(characteristics.begin(), characteristics.end(),
                                 [](const Characteristic& c) { return c.analysis.capability.cpm.has_value(); });
    html +=
        "<h2>Characteristics</h2>\n<p class=\"legend\">Ranked by Ppk, the worst first. Cp and Cpk come from the "
        "within σ of the control chart, Pp and Ppk from the overall σ. Where a chart is out of control the "
        "capability is shown in grey: a process that is not stable has no capability that predicts its next "
        "parts.</p>\n<div class=\"scroll\"><table class=\"statistics ranking\">\n<thead><tr>"
        "<th class=\"text\">channel</th><th>n</th><th>mean</th><th>overall σ</th><th>within σ</th>"
        "<th>Cp</th><th>Cpk</th><th>Pp</th><th>Ppk</th>";
    if (cpm) html += "<th>Cpm</th>";
    html += "<th>rule violations</th><th>NOK</th><th class=\"text\">chart</th></tr></thead>\n<tbody>\n";
    for (const Characteristic* c : RankedByPpk(characteristics)) {
        const quality::CharacteristicAnalysis& a = c->analysis;
        const int decimals = std::clamp(c->decimals + 1, 0, quality::kFixedDecimals);
        const char* capability = a.limits && !a.inControl ? "unstable" : nullptr;
        html += "<tr data-channel=\"";
        html += std::to_string(c->channel);
        html += "\">";
        Cell(html, ChartTitle(*c).substr(8), "text");
        Cell(html, std::to_string(a.count));
        Cell(html, quality::DecimalText(a.mean, decimals));
        Cell(html, a.count > 1 ? quality::DecimalText(a.sigmaOverall, decimals) : "-");
        Cell(html, a.limits ? quality::DecimalText(a.limits->sigmaWithin, decimals) : "-");
        Cell(html, IndexText(a.capability.cp), capability);
        Cell(html, IndexText(a.capability.cpk), capability);
        Cell(html, IndexText(a.capability.pp), capability);
        Cell(html, IndexText(a.capability.ppk), capability);
        if (cpm) Cell(html, IndexText(a.capability.cpm), capability);
        Cell(html, std::to_string(a.violations.size()));
        Cell(html, c->limits ? std::to_string(c->nok) : "-");
        Cell(html, ChartState(*c), capability ? "text out" : "text");
        html += "</tr>\n";
    }
    html += "</tbody></table></div>\n";
}

std::string ChartSettingsText(const Characteristic& c, const std::string& controlLimitsName, bool capture) {
    const int n = c.settings.subgroup;
    std::string text = quality::ChartName(quality::KindFor(n));
    text += " chart";
    if (n > 1) {
        text += " of subgroups of ";
        text += std::to_string(n);
    }
    if (c.settings.given) {
        text += ", limits from ";
        text += controlLimitsName;
    } else {
        text += ", limits from the first ";
        text += std::to_string(c.settings.baselineParts);
        text += capture ? " parts" : " readings";
    }
    text += c.settings.rules == quality::RuleSet::Nelson ? ", Nelson rules" : ", Western Electric rules";
    if (const auto& l = c.analysis.limits) {
        text += "; within σ = ";
        text += SigmaEstimateName(l->kind);
        text += " = ";
        text += quality::DecimalText(l->sigmaWithin, std::clamp(c.decimals + 2, 0, 6));
        text += " mm";
    }
    text += ". ";
    if (!c.analysis.limits) {
        text += "No control limits: ";
        text += c.analysis.limitsMissing;
    } else if (c.analysis.inControl) {
        text += "In control";
    } else {
        text += "Out of control: its capability is not meaningful";
    }
    if (!c.analysis.violations.empty()) {
        text += " (";
        text += Plural(c.analysis.violations.size(), "rule violation", "rule violations");
        text += ')';
    }
    text += '.';
    return text;
}

void ControlCharts(std::string& html, const RecordingData& r, const std::vector<Characteristic>& characteristics,
                   const ReportSources& sources) {
    if (characteristics.empty()) return;
    html +=
        "<h2>Control charts</h2>\n<p class=\"legend\">Each chart's points in order, its centre line and control "
        "limits; a point that breaks a run rule is marked with the rule's number (the spread chart's only rule "
        "is a point beyond its limits). The histogram shows every reading against the tolerance limits and the "
        "nominal.</p>\n";
    for (const Characteristic& c : characteristics) {
        const ChannelData& data = r.channels[static_cast<size_t>(c.channel - 1)];
        const ControlPlot plot = MakeControlPlot(c, r.layout.capture);
        html += "<section class=\"characteristic\" id=\"characteristic-";
        html += std::to_string(c.channel);
        html += "\">\n<h3>";
        html += EscapeHtml(ChartTitle(c));
        html += "</h3>\n<p class=\"plot-note\">";
        std::string note = ChartSettingsText(c, sources.controlLimitsName, r.layout.capture);
        if (plot.plotted < c.analysis.points.size()) {
            note += " ";
            note += std::to_string(c.analysis.points.size());
            note += " points drawn as ";
            note += std::to_string(plot.plotted);
            note += " (the lowest and highest of each pixel column); the rules judge every point.";
        }
        if (plot.unmarked > 0) {
            note += " ";
            note += Plural(plot.marked, "point is", "points are");
            note += " marked, ";
            note += std::to_string(plot.unmarked);
            note += " more that break a rule are not.";
        }
        html += EscapeHtml(note);
        html += "</p>\n";
        html += plot.svg;
        html += MakeHistogram(c, data);
        html += "</section>\n";
    }
}

// The parts of a capture recording. A long run shows its first and last
// parts and the NOK ones between them.
void Parts(std::string& html, const RecordingData& r) {
    if (!r.layout.capture || r.parts.empty()) return;
    constexpr size_t kEnds = 50;
    constexpr size_t kMostNok = 500;
    const size_t n = r.parts.size();
    const auto nok = [&](size_t i) { return r.parts[i].verdict.rfind("NOK", 0) == 0; };
    html += "<h2>Parts</h2>\n";
    if (n > 2 * kEnds) {
        html += "<p class=\"legend\">";
        html += EscapeHtml(Plural(n, "part", "parts") + ": the first and last " + std::to_string(kEnds) +
                           " and the NOK parts between them are listed.");
        html += "</p>\n";
    }
    html +=
        "<div class=\"scroll\"><table class=\"statistics parts\">\n<thead><tr><th>part</th>"
        "<th class=\"text\">part_id</th><th class=\"text\">time</th><th class=\"text\">verdict</th></tr></thead>\n"
        "<tbody>\n";
    size_t left = 0, listedNok = 0;
    const auto gap = [&] {
        if (left == 0) return;
        html += "<tr><td class=\"gap\" colspan=\"4\">";
        html += EscapeHtml(Plural(left, "part", "parts") + " left out");
        html += "</td></tr>\n";
        left = 0;
    };
    for (size_t i = 0; i < n; ++i) {
        const bool end = i < kEnds || i + kEnds >= n;
        if (!end && !(nok(i) && listedNok < kMostNok)) {
            ++left;
            continue;
        }
        if (!end) ++listedNok;
        gap();
        const PartRecord& p = r.parts[i];
        html += "<tr>";
        Cell(html, std::to_string(p.number));
        Cell(html, p.id, "text");
        Cell(html, LocalDateTimeText(p.time), "text");
        Cell(html, p.verdict, nok(i) ? "text nok" : "text");
        html += "</tr>\n";
    }
    gap();
    html += "</tbody></table></div>\n";
}

void Statistics(std::string& html, const RecordingData& r, const quality::LimitsTable& limits) {
    std::vector<ChannelStatistics> channels;
    for (int c = 1; c <= quality::kChannels; ++c) {
        const ChannelData& data = r.channels[static_cast<size_t>(c - 1)];
        if (!data.points.empty()) channels.push_back({c, data.mostDecimals, data.summary});
    }
    html += "<h2>Statistics</h2>\n";
    if (channels.empty()) {
        html += "<p>No readings.</p>\n";
        return;
    }
    const StatisticsTable table = MakeStatisticsTable(channels, limits);
    // The name column reads left to right, the numbers line up on the right
    // (as in the console's table).
    const auto cellClass = [](size_t column) { return column == 1 ? " class=\"text\"" : ""; };
    html += "<div class=\"scroll\"><table class=\"statistics\">\n<thead><tr>";
    for (size_t i = 0; i < table.headings.size(); ++i) {
        html += "<th";
        html += cellClass(i);
        html += ">";
        html += EscapeHtml(table.headings[i]);
        html += "</th>";
    }
    html += "</tr></thead>\n<tbody>\n";
    for (const auto& row : table.rows) {
        html += "<tr>";
        for (size_t i = 0; i < row.size(); ++i) {
            html += "<td";
            html += cellClass(i);
            html += ">";
            html += EscapeHtml(row[i]);
            html += "</td>";
        }
        html += "</tr>\n";
    }
    html += "</tbody></table></div>\n";
}

void Trends(std::string& html, const RecordingData& r, const quality::LimitsTable& limits) {
    if (r.Channels() == 0) return;
    html +=
        "<h2>Trends</h2>\n<p class=\"legend\">Displacement over local time:<span class=\"key trend\"></span>"
        "readings";
    if (!limits.Empty()) {
        html +=
            "<span class=\"key limit\"></span>lower and upper limit<span class=\"key nominal\"></span>nominal"
            "<span class=\"key outside\"></span>reading outside the limits";
    }
    html += "</p>\n";
    for (int c = 1; c <= quality::kChannels; ++c) {
        const ChannelData& data = r.channels[static_cast<size_t>(c - 1)];
        if (data.points.empty()) continue;
        const std::optional<quality::ChannelLimits>& channelLimits = limits.For(c);
        const TrendPlot plot = MakeTrendPlot(c, r, channelLimits);
        html += "<section class=\"channel\" id=\"channel-";
        html += std::to_string(c);
        html += "\">\n<h3>Channel ";
        html += std::to_string(c);
        if (channelLimits && !channelLimits->name.empty()) {
            html += " \u00b7 ";
            html += EscapeHtml(channelLimits->name);
        }
        html += "</h3>\n<p class=\"plot-note\">";
        std::string note = Plural(data.points.size(), "reading", "readings");
        if (plot.plotted < data.points.size()) {
            note += ", drawn as ";
            note += std::to_string(plot.plotted);
            note += " points (the first, lowest, highest and last of each pixel column)";
        }
        if (channelLimits) {
            note += "; ";
            note += std::to_string(data.summary.Outside());
            note += " outside the limits (";
            note += std::to_string(data.summary.low);
            note += " low, ";
            note += std::to_string(data.summary.high);
            note += " high)";
            if (plot.marked < data.outside.size()) {
                note += ", ";
                note += std::to_string(plot.marked);
                note += " of them marked (the farthest out in their pixel column)";
            }
        } else if (!limits.Empty()) {
            note += "; no limits for this channel";
        }
        note += '.';
        html += EscapeHtml(note);
        html += "</p>\n";
        html += plot.svg;
        html += "</section>\n";
    }
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string HtmlReport(const ReportSources& sources, const RecordingData& recording, const quality::LimitsTable& limits,
                       const std::vector<Characteristic>& characteristics) {
    std::string html;
    html.reserve(256 * 1024 + recording.Channels() * 64 * 1024);
    html +=
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>Recording ";
    html += EscapeHtml(sources.recordingName);
    html += "</title>\n<style>";
    html += kStyle;
    html += "</style>\n</head>\n<body>\n<h1>Recording report</h1>\n<p class=\"subtitle\">";
    html += EscapeHtml(sources.recordingName);
    html += "</p>\n";
    Metadata(html, sources, recording);
    Characteristics(html, characteristics);
    Statistics(html, recording, limits);
    ControlCharts(html, recording, characteristics, sources);
    Trends(html, recording, limits);
    Parts(html, recording);
    html += "<footer>Made by vexla-rec report.</footer>\n</body>\n</html>\n";
    return html;
}

}  // namespace vexla::recorder::report
