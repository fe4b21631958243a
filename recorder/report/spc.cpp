#include "recorder/report/spc.h"

#include <algorithm>

namespace vexla::recorder::report {

std::vector<Characteristic> AnalyseCharacteristics(const RecordingData& recording, const quality::LimitsTable& limits,
                                                   const SpcOptions& options) {
    std::vector<Characteristic> characteristics;
    std::vector<double> values;
    for (int c = 1; c <= quality::kChannels; ++c) {
        const ChannelData& data = recording.channels[static_cast<size_t>(c - 1)];
        if (data.points.empty()) continue;
        Characteristic& ch = characteristics.emplace_back();
        ch.channel = c;
        ch.limits = limits.For(c);
        ch.settings = options.chart;
        if (const auto& given = options.given[static_cast<size_t>(c - 1)]) {
            ch.settings.given = given;
            ch.settings.subgroup = given->subgroup;
        }
        quality::Tolerance tolerance;
        if (ch.limits) {
            tolerance.lower = quality::ToMillimetres(ch.limits->LowerLimit());
            tolerance.upper = quality::ToMillimetres(ch.limits->UpperLimit());
            tolerance.nominal = quality::ToMillimetres(ch.limits->nominal);
        }
        values.clear();
        values.reserve(data.points.size());
        for (const TrendPoint& p : data.points) values.push_back(quality::ToMillimetres(p.displacement));
        ch.analysis = quality::Analyse(values, ch.settings, tolerance);
        ch.minimum = data.summary.stats.Minimum();
        ch.maximum = data.summary.stats.Maximum();
        ch.nok = data.summary.Outside();
        ch.decimals = data.mostDecimals;
    }
    return characteristics;
}

std::vector<const Characteristic*> RankedByPpk(const std::vector<Characteristic>& characteristics) {
    std::vector<const Characteristic*> ranked;
    for (const Characteristic& c : characteristics) ranked.push_back(&c);
    std::stable_sort(ranked.begin(), ranked.end(), [](const Characteristic* a, const Characteristic* b) {
        if (!a->Ppk() || !b->Ppk()) return a->Ppk().has_value() && !b->Ppk().has_value();
        return *a->Ppk() < *b->Ppk();
    });
    return ranked;
}

const char* SigmaEstimateName(quality::ChartKind kind) {
    switch (kind) {
        case quality::ChartKind::IndividualsMovingRange:
            return "MR\u0304/d2";
        case quality::ChartKind::MeanRange:
            return "R\u0304/d2";
        case quality::ChartKind::MeanStdDev:
            return "s\u0304/c4";
    }
    return "";
}

}  // namespace vexla::recorder::report
