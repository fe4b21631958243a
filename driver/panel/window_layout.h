#pragma once
// How the control window is laid out: as it appears when it is created for a
// network segment, and the status page's headings that every connect sets.

#include <cstdint>

#include "panel/control_panel.h"

namespace vexla {

// The new window: tray icon and hint, shown, the first caption, the command
// list's default item, the channel grid's sizes, headings and row names.
void LayOutNewWindow(ControlPanel& panel, uint8_t segment);

// The status page's headings and column widths.
void LayOutStatusPage(ControlPanel& panel);

}  // namespace vexla
