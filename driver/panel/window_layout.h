#pragma once
// How the control window is laid out: as it appears when it is created for a
// network segment, and the status page's headings that every connect sets.

#include <cstdint>

#include "panel/control_panel.h"

namespace vexla {

// The new window: tray icon and hint, shown, the first caption, the command
// list's default item, the grids' sizes, the channel grid's headings and row
// names.
void LayOutNewWindow(ControlPanel& panel, uint8_t segment, const GridClientSizes& grids);

// The grids' column widths and row heights, filling their client areas: the
// channel grid's columns 9 : 9 : 7 (the pixels left over by whole units
// going to the name and the rate), a channel row (height × 18) ÷ 80; the
// status grid's four columns and two rows alike.
void LayOutGrids(ControlPanel& panel, const GridClientSizes& grids);

// The status page's headings.
void LayOutStatusPage(ControlPanel& panel);

}  // namespace vexla
