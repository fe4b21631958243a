#include "recorder/export/aqdef_export.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "quality/millimetres.h"

namespace vexla::recorder::exporting {

namespace {

// A text as one field: whatever could end or split a line becomes a blank.
std::string FieldText(std::string_view text) {
    std::string clean(text);
    for (char& c : clean)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return clean;
}

void Field(std::string& out, const char* key, size_t index, std::string_view text) {
    out += key;
    if (index > 0) out += '/' + std::to_string(index);
    out += ' ';
    out += FieldText(text);
    out += "\r\n";
}

}  // namespace

std::string AqdefDateTime(const LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d/%02d:%02d:%02d", t.day, t.month, t.year, t.hour, t.minute,
                  t.second);
    return text;
}

std::string AqdefText(const report::RecordingData& recording, const quality::LimitsTable& limits,
                      const AqdefPart& part) {
    std::vector<int> channels;  // the characteristics, in channel order
    for (int c = 1; c <= quality::kChannels; ++c)
        if (!recording.channels[static_cast<size_t>(c - 1)].points.empty()) channels.push_back(c);
    std::string out = "\xEF\xBB\xBF";
    Field(out, "K0100", 0, std::to_string(channels.size()));
    Field(out, "K1001", 0, part.number);
    if (!part.description.empty()) Field(out, "K1002", 0, part.description);
    for (size_t i = 0; i < channels.size(); ++i) {
        const int c = channels[i];
        const report::ChannelData& data = recording.channels[static_cast<size_t>(c - 1)];
        const std::optional<quality::ChannelLimits>& l = limits.For(c);
        const size_t k = i + 1;
        Field(out, "K2001", k, std::to_string(c));
        Field(out, "K2002", k, l && !l->name.empty() ? l->name : "channel " + std::to_string(c));
        Field(out, "K2022", k, std::to_string(data.mostDecimals));
        if (l) {
            Field(out, "K2101", k, quality::MillimetreText(l->nominal, data.mostDecimals));
            Field(out, "K2110", k, quality::MillimetreText(l->LowerLimit(), quality::kFixedDecimals));
            Field(out, "K2111", k, quality::MillimetreText(l->UpperLimit(), quality::kFixedDecimals));
        }
        Field(out, "K2142", k, "mm");
    }
    // Every reading in the file's order of parts (a capture recording) or
    // of time (a continuous one): merge the channels' points by time and,
    // within a part, by characteristic.
    struct Value {
        int64_t time;
        uint32_t part;  // index into recording.parts, or UINT32_MAX
        size_t characteristic;
        quality::Fixed displacement;
        int decimals;
    };
    std::vector<Value> values;
    for (size_t i = 0; i < channels.size(); ++i) {
        const report::ChannelData& data = recording.channels[static_cast<size_t>(channels[i] - 1)];
        for (size_t p = 0; p < data.points.size(); ++p)
            values.push_back({data.points[p].time, p < data.parts.size() ? data.parts[p] : UINT32_MAX, i,
                              data.points[p].displacement, data.mostDecimals});
    }
    std::stable_sort(values.begin(), values.end(), [](const Value& a, const Value& b) {
        if (a.part != b.part) return a.part < b.part;
        if (a.part == UINT32_MAX && a.time != b.time) return a.time < b.time;
        return a.characteristic < b.characteristic;
    });
    for (const Value& v : values) {
        const size_t k = v.characteristic + 1;
        Field(out, "K0001", k, quality::MillimetreText(v.displacement, v.decimals));
        Field(out, "K0002", k, "0");
        const report::PartRecord* record = v.part < recording.parts.size() ? &recording.parts[v.part] : nullptr;
        Field(out, "K0004", k, AqdefDateTime(record ? record->time : LocalTimeOf(v.time, recording.OffsetAt(v.time))));
        if (record && !record->batch.empty()) Field(out, "K0006", k, record->batch);
        if (record && !record->operatorName.empty()) Field(out, "K0008", k, record->operatorName);
        if (record && !record->id.empty()) Field(out, "K0014", k, record->id);
    }
    return out;
}

}  // namespace vexla::recorder::exporting
