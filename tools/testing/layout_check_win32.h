#pragma once
// What a person sees wrong in a window's layout, found from the live
// controls: a control that leaves its parent's client area, two sibling
// controls on top of each other, a caption or a grid cell whose text is
// wider (or, wrapped, taller) than the room it is drawn in, and grid
// columns or rows that run past the grid's edge. Texts are measured with
// each control's own font.

#include <windows.h>

#include <string>
#include <vector>

namespace vexla::testing {

struct LayoutRules {
    // Sibling controls, by id, that the layout lays over each other on purpose.
    std::vector<std::pair<int, int>> overlays;
    // Controls whose caption is not drawn in them (only read by assistive tools).
    std::vector<int> undrawnCaptions;
};

// One line per fault among the visible controls under `window`, naming the
// control by id, class and text.
std::vector<std::string> LayoutFaults(HWND window, const LayoutRules& rules = {});

}  // namespace vexla::testing
