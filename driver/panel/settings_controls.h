#pragma once
// The settings pages' controls and the settings they stand for, both ways:
// what the controls show for the settings in memory, and the setting a range
// line's controls encode.

#include <cstdint>
#include <optional>

#include "channels/settings.h"
#include "panel/control_panel.h"

namespace vexla {

// The speed of an item of the speed list; none for an index outside it
// (typed text that selects nothing).
std::optional<int32_t> SpeedOfItem(int itemIndex);

// 0 when the line is off; else the channel number, plus 128 for "and after".
uint8_t EncodeRange(const RangeControls& controls);

// Writes the settings into the settings controls; never calls a handler.
void ShowSettings(ControlPanel& panel, const DriverSettings& settings);

}  // namespace vexla
