#include "gauge.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace vexla::sim {
namespace {

// Division and remainder that round toward minus infinity, so that a counter
// below zero wraps to the top of its field like the gauge's own register.
constexpr int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

constexpr uint32_t Modulo(int64_t counter, int64_t period) {
    return static_cast<uint32_t>(((counter % period) + period) % period);
}

constexpr uint32_t Wrap(int64_t counter, unsigned bits) {
    return Modulo(counter, int64_t{1} << bits);
}

// The gauges' position counters run round at these periods (in wire units);
// the driver folds displacements with the same periods. Formats 0 and 4
// wrap at their fields.
constexpr int64_t kGeneralPositionPeriod = 10403840;  // x 2 = 20,807,680 counts
constexpr int64_t kTextPositionPeriod = 65024;        // x 10 = 650,240 counts

// Block-frame counts: 1024 counts per 1270 value units (1.27 mm per 1024
// counts on a 0.01 mm gauge).
constexpr int64_t BlockCounts(int64_t units) {
    return FloorDiv(units * 1024 + 635, 1270);
}

constexpr uint32_t BlockField(int64_t display) {
    return Wrap(-BlockCounts(display), 24);
}

}  // namespace

int64_t RoundToDigit(int64_t display) {
    const int64_t magnitude = (std::llabs(display) + 5) / 10 * 10;
    return display < 0 ? -magnitude : magnitude;
}

void Gauge::Advance(Micros now) {
    const double t = std::chrono::duration<double>(now).count();
    const double perMm = static_cast<double>(UnitsPerMm(kind));
    auto toUnits = [&](double mm) { return static_cast<int64_t>(std::llround(mm * perMm)); };
    switch (motion.kind) {
        case MotionKind::Still:
            if (!lastAdvance_) travel_ = toUnits(motion.offsetMm);
            break;
        case MotionKind::Ramp:
            travel_ = toUnits(motion.offsetMm + motion.speedMmPerS * t);
            break;
        case MotionKind::Sine:
            travel_ = toUnits(motion.offsetMm + motion.amplitudeMm * std::sin(2 * std::numbers::pi *
                                                                              (t + motion.phaseS) / motion.periodS));
            break;
        case MotionKind::Walk: {
            if (!lastAdvance_) {
                travel_ = toUnits(motion.offsetMm);
                break;
            }
            const double dt = std::chrono::duration<double>(now - *lastAdvance_).count();
            std::uniform_real_distribution<double> step(-1.0, 1.0);
            travel_ += toUnits(step(rng_) * motion.speedMmPerS * dt);
            break;
        }
        case MotionKind::Script:
            if (!motion.scriptMm.empty() && motion.dwellS > 0) {
                const auto i = static_cast<std::size_t>(t / motion.dwellS) % motion.scriptMm.size();
                travel_ = toUnits(motion.scriptMm[i]);
            }
            break;
    }
    lastAdvance_ = now;
}

bool Gauge::Obey(uint8_t code) {
    const bool zero = code == 2 || code == 3 || code == 6;
    GaugeState next{};
    switch (code) {
        case 0:
        case 2:
            next = GaugeState::Fast;
            break;
        case 1:
        case 3:
            next = GaugeState::Standard;
            break;
        case 4:
        case 6:
            next = GaugeState::Hold;
            break;
        default:
            return false;
    }
    // Zero before freezing, so "hold, zeroing" holds a zero.
    if (zero) HardwareZero();
    if (next == GaugeState::Hold) {
        if (state != GaugeState::Hold) held_ = DisplayTravel();
    } else {
        held_.reset();
    }
    state = next;
    return true;
}

void Gauge::HardwareZero() {
    zero_ = travel_;
    if (held_) held_ = 0;
}

// ---- Wire numbers -----------------------------------------------------------

vexla::GeneralFields GeneralFieldsOf(uint8_t channel, int64_t travel, int64_t display) {
    const int64_t shown = RoundToDigit(display);
    vexla::GeneralFields f;
    f.channel = channel;
    f.position = Modulo(FloorDiv(travel, 2), kGeneralPositionPeriod);
    f.display = Wrap(std::llabs(shown) / 2, 23);
    f.negative = shown < 0;
    return f;
}

vexla::WirelessFields WirelessFieldsOf(uint8_t channel, int64_t travel, int64_t display) {
    const int64_t shown = RoundToDigit(display);
    vexla::WirelessFields f;
    f.channel = channel;
    f.position = Wrap(FloorDiv(travel * 4, 10), 20);
    f.display = Wrap(std::llabs(shown) * 4 / 10, 19);
    f.negative = shown < 0;
    return f;
}

vexla::TextFields TextFieldsOf(uint8_t channel, int64_t travel, int64_t display) {
    const int64_t shown = RoundToDigit(display);
    vexla::TextFields f;
    f.channel = channel;
    f.positionDigits = Modulo(FloorDiv(travel, 10), kTextPositionPeriod);
    f.displayDigits = static_cast<uint32_t>(std::llabs(shown) / 10 % 10000);
    f.negative = shown < 0;
    return f;
}

vexla::BlockEntry BlockEntryOf(uint8_t channel, int64_t travel, int64_t display) {
    // The block display is a signed count stored negated in 24 bits; it wraps
    // as that field does (past the positive end it reads as negative).
    return vexla::BlockEntry{channel, Wrap(BlockCounts(travel), 24), BlockField(display)};
}

ShownNumbers Shown(uint8_t format, int64_t travel, int64_t display) {
    switch (format) {
        case 0: {
            const vexla::BlockEntry e = BlockEntryOf(0, travel, display);
            const int64_t d = e.display;
            const int64_t value = (d >> 16) > 0x80 ? (0x1000000 - d) * 1270 / 1024 : -(d * 1270 / 1024);
            return {static_cast<int32_t>(e.position), static_cast<int32_t>(value)};
        }
        case 1: {
            const vexla::TextFields f = TextFieldsOf(0, travel, display);
            const auto value = static_cast<int32_t>(f.displayDigits * 10);
            return {static_cast<int32_t>(f.positionDigits * 10), f.negative ? -value : value};
        }
        case 4: {
            const vexla::WirelessFields f = WirelessFieldsOf(0, travel, display);
            const auto value = static_cast<int32_t>(f.display * 10 / 4);
            return {static_cast<int32_t>(f.position * 10 / 4), f.negative ? -value : value};
        }
        default: {
            const vexla::GeneralFields f = GeneralFieldsOf(0, travel, display);
            const auto value = static_cast<int32_t>(2 * f.display);
            return {static_cast<int32_t>(2 * f.position), f.negative ? -value : value};
        }
    }
}

}  // namespace vexla::sim
