#include "station/model/tile_state.h"

#include <algorithm>

#include "quality/millimetres.h"

namespace vexla::station {

TileState TileStateOf(const TileInput& input) {
    TileState tile;
    if (!input.displacement) return tile;  // grey, silent
    const quality::Fixed value = *input.displacement;
    tile.silent = false;
    tile.value = quality::MillimetreText(value, input.decimals);
    tile.colour = input.ruleBroken ? TileColour::Amber : TileColour::Green;
    if (!input.limits) return tile;

    const quality::ChannelLimits& l = *input.limits;
    const quality::Fixed lower = l.LowerLimit(), upper = l.UpperLimit();
    if (l.Judge(value) != quality::Judgement::Ok) {
        tile.colour = TileColour::Red;
    } else {
        // The warning zone on each side of the nominal (the band's middle
        // when the nominal is not inside it): the last part of that side.
        const quality::Fixed centre =
            lower <= l.nominal && l.nominal <= upper ? l.nominal : lower + (upper - lower) / 2;
        const double fraction = std::clamp(input.warningFraction, 0.0, 1.0);
        const double side = value >= centre ? static_cast<double>(upper - centre) : static_cast<double>(centre - lower);
        const double from = static_cast<double>(value >= centre ? value - centre : centre - value);
        if (side > 0 && from > fraction * side) tile.colour = TileColour::Amber;
    }
    if (upper > lower) {
        const double span = static_cast<double>(upper - lower);
        const double at = static_cast<double>(value - lower) / span;
        tile.marker = std::clamp(at, 0.0, 1.0);
        tile.beyondBar = at < 0 || at > 1;
        tile.nominal = std::clamp(static_cast<double>(l.nominal - lower) / span, 0.0, 1.0);
    }
    return tile;
}

}  // namespace vexla::station
