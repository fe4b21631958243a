#pragma once
// One simulated dial gauge: where its plunger is, what its display shows, and
// how both reach the wire in each data format. Positions are kept in value
// units (tenths of the gauge's last displayed digit), the unit the driver
// hands to hosts; each format then quantises and wraps them exactly as its
// wire fields do.

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "protocol/gauge_frames.h"

namespace vexla::sim {

using Micros = std::chrono::microseconds;

enum class GaugeKind : uint8_t {
    Hundredth,   // 0.01 mm gauge: one value unit is 0.001 mm
    Thousandth,  // 0.001 mm gauge: one value unit is 0.0001 mm
};

enum class GaugeState : uint8_t { Fast, Standard, Hold };

enum class MotionKind : uint8_t { Still, Ramp, Sine, Walk, Script };

struct Motion {
    MotionKind kind = MotionKind::Still;
    double offsetMm = 0;           // still position, ramp start, sine centre, walk start
    double amplitudeMm = 1.0;      // sine
    double periodS = 10.0;         // sine
    double phaseS = 0;             // sine: lets the gauges of one network differ
    double speedMmPerS = 0.5;      // ramp; walk: largest speed of a step
    std::vector<double> scriptMm;  // positions visited in turn, each for dwellS
    double dwellS = 1.0;
};

constexpr int64_t UnitsPerMm(GaugeKind kind) {
    return kind == GaugeKind::Hundredth ? 1000 : 10000;
}

// The numbers a frame carries as the driver decodes them.
struct ShownNumbers {
    int32_t position = 0;  // position count in the format's unit
    int32_t value = 0;     // display value in value units
};

class Gauge {
  public:
    bool present = false;
    bool silent = false;  // off the network: neither sends nor hears
    GaugeKind kind = GaugeKind::Hundredth;
    GaugeState state = GaugeState::Standard;
    Motion motion;

    // Moves the plunger to where the motion puts it at `now` (time since start).
    void Advance(Micros now);
    void Seed(uint32_t seed) { rng_.seed(seed); }

    // Places the plunger directly (value units); a still gauge stays there
    // once it has been advanced the first time.
    void SetTravel(int64_t units) { travel_ = units; }
    int64_t Travel() const { return travel_; }
    // What the display shows before quantising: travel since the last hardware
    // zero, or the frozen value while holding.
    int64_t DisplayTravel() const { return held_ ? *held_ : travel_ - zero_; }

    // Obeys command `code` (0..6 except 5); returns false for anything else.
    bool Obey(uint8_t code);
    void HardwareZero();

  private:
    int64_t travel_ = 0;
    int64_t zero_ = 0;
    std::optional<int64_t> held_;
    std::optional<Micros> lastAdvance_;
    std::mt19937 rng_{1};
};

// ---- The gauge's numbers in each data format ------------------------------
// travel = position in value units, display = DisplayTravel().

vexla::GeneralFields GeneralFieldsOf(uint8_t channel, int64_t travel, int64_t display);
vexla::WirelessFields WirelessFieldsOf(uint8_t channel, int64_t travel, int64_t display);
vexla::TextFields TextFieldsOf(uint8_t channel, int64_t travel, int64_t display);
vexla::BlockEntry BlockEntryOf(uint8_t channel, int64_t travel, int64_t display);

// What the driver reads from the frame of `format` for this gauge.
ShownNumbers Shown(uint8_t format, int64_t travel, int64_t display);

// The display rounded to its last digit (ten value units), as the gauge shows it.
int64_t RoundToDigit(int64_t display);

}  // namespace vexla::sim
