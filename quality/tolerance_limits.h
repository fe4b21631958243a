#pragma once
// Tolerance limits per channel, read from a small text file, and the
// judgement of a displacement against them.
//
// One channel per line: channel, nominal, lower and upper tolerance (in mm,
// relative to the nominal), and an optional name, separated by commas,
// semicolons, tabs or blanks. Blank lines, lines starting with '#', and a
// first line that does not start with a number (a spreadsheet's headings)
// are skipped. Example:
//   # channel, nominal, lower, upper, name
//   1, 0.00, -0.05, +0.05, bore depth
//   2; 12.50; -0.02; 0.03; flange

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "millimetres.h"

namespace vexla::quality {

inline constexpr int kChannels = 32;

enum class Judgement { Ok, Low, High };

// "OK", "LOW" or "HIGH".
const char* JudgementText(Judgement judgement);

struct ChannelLimits {
    Fixed nominal = 0;
    Fixed lower = 0;  // tolerances relative to the nominal: lower <= upper
    Fixed upper = 0;
    std::string name;

    Fixed LowerLimit() const { return nominal + lower; }
    Fixed UpperLimit() const { return nominal + upper; }
    // Inside the limits, the limits themselves included.
    Judgement Judge(Fixed displacement) const;
};

class LimitsTable {
  public:
    // The limits of channel 1..32, if the file gives any.
    const std::optional<ChannelLimits>& For(int channel) const;
    bool Empty() const;
    void Set(int channel, ChannelLimits limits);

  private:
    std::array<std::optional<ChannelLimits>, kChannels> channels_;
};

// Any fault rejects the whole text, so that a half-read file never judges:
// the error's Text() is "line 3: ...".
Result<LimitsTable> ParseLimits(std::string_view text);

// The file read and parsed; the error's Text() names the file.
Result<LimitsTable> LoadLimitsFile(const std::string& path);

}  // namespace vexla::quality
