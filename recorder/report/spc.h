#pragma once
// The report's statistical process control: each channel of a recording as
// a characteristic, charted and judged over its readings in order (one per
// part in a capture recording), with its capability against the limits.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "quality/characteristic_chart.h"
#include "quality/control_limits_file.h"
#include "quality/tolerance_limits.h"
#include "recorder/report/recording_file.h"

namespace vexla::recorder::report {

struct SpcOptions {
    quality::ChartSettings chart;       // subgroup, baseline and rules for every channel
    quality::ControlLimitsTable given;  // limits of an earlier run, by channel
};

struct Characteristic {
    int channel = 0;
    std::optional<quality::ChannelLimits> limits;
    quality::ChartSettings settings;  // as charted: given limits bring their own subgroup
    quality::CharacteristicAnalysis analysis;
    quality::Fixed minimum = 0;
    quality::Fixed maximum = 0;
    uint64_t nok = 0;  // readings outside the limits
    int decimals = 2;

    std::string Name() const { return limits ? limits->name : std::string(); }
    std::optional<double> Ppk() const { return analysis.capability.ppk; }
};

// One characteristic per channel with readings, in channel order.
std::vector<Characteristic> AnalyseCharacteristics(const RecordingData& recording, const quality::LimitsTable& limits,
                                                   const SpcOptions& options);

// The worst Ppk first; the characteristics without one last, in channel order.
std::vector<const Characteristic*> RankedByPpk(const std::vector<Characteristic>& characteristics);

// Where the within σ comes from: "MR̄/d2", "R̄/d2" or "s̄/c4".
const char* SigmaEstimateName(quality::ChartKind kind);

}  // namespace vexla::recorder::report
