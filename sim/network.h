#pragma once
// A network of up to 32 gauges on one line in one data format: pushes their
// readings at the rate of their state, answers polls after a turnaround,
// obeys commands, and puts the requested faults on the line. Time is passed
// in (microseconds since the start), so everything here runs the same under
// a test's clock as under the real one.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gauge.h"
#include "line.h"
#include "listener.h"
#include "protocol/gauge_frames.h"

namespace vexla::sim {

inline constexpr std::size_t kGauges = 32;

struct TimeWindow {
    Micros from{0};
    Micros until{0};
    bool Contains(Micros t) const { return t >= from && t < until; }
};

struct SilenceWindow {
    uint32_t channels = 0;  // bit i = channel index i
    TimeWindow when;
};

struct Faults {
    double noisePerSecond = 0;   // random bytes put on the line
    double dropFraction = 0;     // share of bytes that never arrive
    double corruptFraction = 0;  // share of frames sent with a wrong check
    std::vector<SilenceWindow> silences;
};

struct NetworkConfig {
    uint8_t format = 3;
    vexla::BlockLayout layout = vexla::BlockLayout::Record;
    uint32_t baud = 19200;
    double fastRate = 20;     // readings per second of a pushing gauge
    double standardRate = 5;  // also the rate while holding
    Micros turnaround{3000};  // from a poll's last byte to the answer's first
    Faults faults;
    uint32_t seed = 1;
    bool logPolls = false;
};

struct NetworkStats {
    uint64_t frames = 0;
    uint64_t readings = 0;  // fresh gauge readings put on the line (a block frame carries several)
    uint64_t bytes = 0;
    uint64_t noiseBytes = 0;
    uint64_t droppedBytes = 0;
    uint64_t corruptFrames = 0;
    uint64_t commands = 0;
    uint64_t polls = 0;
};

// Highest channel index a format can carry (block frames: 15 or 7).
uint8_t HighestChannel(uint8_t format, vexla::BlockLayout layout);
// "1-8,12" for a mask of channel indices, in user numbers.
std::string ChannelList(uint32_t mask);
const char* CommandName(uint8_t code);

class Network {
  public:
    explicit Network(const NetworkConfig& config);

    std::array<Gauge, kGauges> gauges;
    // Every accepted command (and, on request, every poll) as a line of text.
    std::function<void(Micros, std::string_view)> log;

    void Receive(std::span<const uint8_t> bytes, Micros now);
    void Advance(Micros now);
    // The bytes that have left the line by `now`, minus those the line loses.
    void TakeOutput(Micros now, std::vector<uint8_t>& out);
    // When Advance/TakeOutput next have something to do; never before `now`.
    // Bytes on the line are collected for at least `lineBatch`.
    Micros NextWake(Micros now, Micros lineBatch = Micros(0)) const;
    // After the line came back nothing is known of what the far end has seen.
    void LineRestored() { line_.ForgetLast(); }

    const NetworkConfig& Config() const { return config_; }
    const NetworkStats& Stats() const { return stats_; }
    // The gauge's numbers as its frames carry them now.
    ShownNumbers ShownBy(uint8_t channel) const;

  private:
    bool Pushes() const { return config_.format == 0 || config_.format == 1 || config_.format == 3; }
    bool Reachable(uint8_t channel) const;
    Micros PushPeriod(const Gauge& g) const;
    void Apply(const HeardFrame& heard, Micros now);
    void ApplyCommand(const HeardFrame& heard, Micros now);
    void UpdateSilences(Micros now);
    void ScheduleAnswer(uint8_t channel, Micros due);
    void FeedLine(Micros now);
    std::optional<uint8_t> EarliestJob(Micros now) const;
    void SendFrameOf(uint8_t channel, Micros at);
    void SendBlockFrame(Micros now, Micros at);
    void Corrupt(std::span<uint8_t> frame);
    void Log(Micros now, const std::string& text) const;

    NetworkConfig config_;
    Line line_;
    Listener listener_;
    std::vector<HeardFrame> heard_;
    std::array<std::optional<Micros>, kGauges> job_{};  // a frame waiting to go out
    std::array<Micros, kGauges> nextPush_{};
    std::array<bool, kGauges> silentNow_{};
    std::optional<Micros> nextNoise_;
    std::size_t lowWater_;
    mutable std::mt19937 rng_;
    NetworkStats stats_;
};

}  // namespace vexla::sim
