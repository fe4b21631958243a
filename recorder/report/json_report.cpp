#include "recorder/report/json_report.h"

#include "quality/millimetres.h"
#include "recorder/report/json_writer.h"

namespace vexla::recorder::report {

namespace {

void Lines(JsonWriter& json, const quality::ControlLines& lines) {
    json.BeginObject();
    json.Key("centre").Number(lines.centre);
    json.Key("lower").Number(lines.lower);
    json.Key("upper").Number(lines.upper);
    json.EndObject();
}

void OptionalText(JsonWriter& json, const std::string& text) {
    if (text.empty()) {
        json.Null();
    } else {
        json.String(text);
    }
}

void Chart(JsonWriter& json, const Characteristic& c) {
    const auto& limits = c.analysis.limits;
    json.BeginObject();
    json.Key("kind").String(quality::ChartName(quality::KindFor(c.settings.subgroup)));
    json.Key("subgroup").Integer(c.settings.subgroup);
    json.Key("limits_from").String(c.settings.given ? "control limits file" : "baseline");
    if (!c.settings.given) json.Key("baseline_parts").Integer(c.settings.baselineParts);
    json.Key("rules").String(c.settings.rules == quality::RuleSet::Nelson ? "nelson" : "western-electric");
    if (limits) {
        json.Key("sigma_within").Number(limits->sigmaWithin);
        json.Key("sigma_estimate").String(SigmaEstimateName(limits->kind));
        json.Key("location");
        Lines(json, limits->location);
        json.Key("spread");
        Lines(json, limits->spread);
    } else {
        json.Key("limits_missing").String(c.analysis.limitsMissing);
    }
    json.EndObject();
}

void Violations(JsonWriter& json, const Characteristic& c, const RecordingData& recording) {
    const ChannelData& data = recording.channels[static_cast<size_t>(c.channel - 1)];
    const quality::ChartKind kind = quality::KindFor(c.settings.subgroup);
    json.BeginArray();
    for (const quality::Violation& v : c.analysis.violations) {
        json.BeginObject();
        json.Key("rule").Integer(v.rule);
        json.Key("chart").String(v.chart == quality::ChartSide::Location ? "location" : "spread");
        json.Key("name").String(quality::ViolationName(v, kind));
        json.Key("point").Unsigned(v.point);
        json.Key("first_reading").Unsigned(v.firstPart);
        json.Key("last_reading").Unsigned(v.lastPart);
        if (recording.layout.capture) {
            json.Key("parts").BeginArray();
            for (size_t i = v.firstPart; i <= v.lastPart && i < data.parts.size(); ++i) {
                const PartRecord& part = recording.parts[data.parts[i]];
                json.BeginObject();
                json.Key("part").Unsigned(part.number);
                json.Key("part_id");
                OptionalText(json, part.id);
                json.EndObject();
            }
            json.EndArray();
        }
        json.EndObject();
    }
    json.EndArray();
}

void Capability(JsonWriter& json, const quality::ProcessCapability& capability) {
    json.BeginObject();
    json.Key("cp").Number(capability.cp);
    json.Key("cpk").Number(capability.cpk);
    json.Key("pp").Number(capability.pp);
    json.Key("ppk").Number(capability.ppk);
    json.Key("cpm").Number(capability.cpm);
    json.EndObject();
}

}  // namespace

std::string JsonReport(const ReportSources& sources, const RecordingData& recording,
                       const std::vector<Characteristic>& characteristics) {
    JsonWriter json;
    json.BeginObject();
    json.Key("recording").String(sources.recordingName);
    json.Key("limits");
    OptionalText(json, sources.limitsName);
    json.Key("control_limits");
    OptionalText(json, sources.controlLimitsName);
    json.Key("mode").String(recording.layout.capture ? "capture" : "continuous");
    json.Key("rows").Unsigned(recording.rows);
    json.Key("lines_skipped").Unsigned(recording.skipped);
    json.Key("characteristics").BeginArray();
    for (const Characteristic& c : characteristics) {
        const quality::CharacteristicAnalysis& a = c.analysis;
        json.BeginObject();
        json.Key("channel").Integer(c.channel);
        json.Key("name");
        OptionalText(json, c.Name());
        json.Key("count").Unsigned(a.count);
        json.Key("mean").Number(a.mean);
        json.Key("sigma_overall").Number(a.count > 1 ? std::optional(a.sigmaOverall) : std::nullopt);
        json.Key("min").Number(quality::ToMillimetres(c.minimum));
        json.Key("max").Number(quality::ToMillimetres(c.maximum));
        json.Key("tolerance");
        if (c.limits) {
            json.BeginObject();
            json.Key("lower").Number(quality::ToMillimetres(c.limits->LowerLimit()));
            json.Key("upper").Number(quality::ToMillimetres(c.limits->UpperLimit()));
            json.Key("nominal").Number(quality::ToMillimetres(c.limits->nominal));
            json.EndObject();
        } else {
            json.Null();
        }
        json.Key("chart");
        Chart(json, c);
        json.Key("violations");
        Violations(json, c, recording);
        json.Key("capability");
        Capability(json, a.capability);
        json.Key("in_control").Bool(a.inControl);
        json.Key("nok").Unsigned(c.nok);
        json.EndObject();
    }
    json.EndArray();
    if (recording.layout.capture) {
        json.Key("parts").BeginArray();
        for (const PartRecord& part : recording.parts) {
            json.BeginObject();
            json.Key("part").Unsigned(part.number);
            json.Key("part_id");
            OptionalText(json, part.id);
            json.Key("batch");
            OptionalText(json, part.batch);
            json.Key("operator");
            OptionalText(json, part.operatorName);
            json.Key("time").String(IsoText(part.time));
            json.Key("verdict").String(part.verdict);
            json.EndObject();
        }
        json.EndArray();
    }
    json.EndObject();
    return json.Text();
}

}  // namespace vexla::recorder::report
