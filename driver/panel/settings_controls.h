#pragma once
// What the settings pages' controls show for the settings in memory.

#include <cstdint>

#include "channels/settings.h"
#include "panel/control_panel.h"

namespace vexla {

// Writes the settings into the settings controls; never calls a handler.
void ShowSettings(ControlPanel& panel, const DriverSettings& settings);

}  // namespace vexla
