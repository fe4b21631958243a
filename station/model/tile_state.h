#pragma once
// What one characteristic's tile shows: its displacement, where it stands on
// the tolerance bar, and its colour. Green inside the limits; amber inside
// but beyond the warning fraction of the tolerance on its side of the
// nominal, or with a run rule broken; red outside; grey while the gauge is
// silent. Portable: the window and the terminal edition draw it.

#include <optional>
#include <string>

#include "quality/tolerance_limits.h"

namespace vexla::station {

inline constexpr double kDefaultWarningFraction = 0.75;

enum class TileColour { Green, Amber, Red, Grey };

struct TileInput {
    std::optional<quality::Fixed> displacement;  // none: no current reading (a silent gauge)
    int decimals = 2;                            // of the gauge kind
    std::optional<quality::ChannelLimits> limits;
    double warningFraction = kDefaultWarningFraction;  // 0..1 of the tolerance, each side
    bool ruleBroken = false;                           // the characteristic's chart is out of control
};

struct TileState {
    TileColour colour = TileColour::Grey;
    std::string value;  // the displacement in mm with the kind's decimals; "" when silent
    bool silent = true;
    // Places on the tolerance bar, 0 at the lower limit and 1 at the upper
    // (the marker is held at the bar's ends when the value lies beyond);
    // none without limits.
    std::optional<double> marker;
    std::optional<double> nominal;
    bool beyondBar = false;  // the value lies past the end the marker is held at
    friend bool operator==(const TileState&, const TileState&) = default;
};

TileState TileStateOf(const TileInput& input);

}  // namespace vexla::station
