#include "panel/window_layout.h"

#include <cstdio>
#include <string>

#include "panel/channel_grid_texts.h"
#include "panel/driver_texts.h"

namespace vexla {

void LayOutNewWindow(ControlPanel& panel, uint8_t segment) {
    // What the window does as it is created: the tray icon, then show itself.
    panel.TrayHint = std::string(texts::kTrayHintPrefix) + std::to_string(segment + 1);
    panel.TrayVisible = true;
    panel.Visible = true;

    panel.Caption = std::string(texts::kStatusCaptions[2]);
    panel.ComboBoxCmdIndex = 2;
    panel.Left = panel.Top = 0;

    const int u = kChannelGridWidth / 28;
    panel.ChannelColumnWidths = {9 * u, 9 * u, 7 * u};
    panel.ChannelRowHeight = kChannelGridHeight * 18 / 80;
    char segmentText[8];
    std::snprintf(segmentText, sizeof segmentText, "%03u", segment + 1u);
    panel.ChannelGrid[0] = {std::string(segmentText) + std::string(texts::kSegmentHeadingSuffix),
                            std::string(texts::kValueHeading), std::string(texts::kRateHeading)};
    for (unsigned r = 1; r < kChannelGridRows; ++r)
        panel.ChannelGrid[r] = {ChannelRowName(r, segment), std::string(texts::kValueNeverSeen),
                                std::string(texts::kRateInitial)};
}

void LayOutStatusPage(ControlPanel& panel) {
    panel.StatusColumnWidths.fill(kStatusGridWidth * 7 / 29);
    for (unsigned c = 0; c < 4; ++c) panel.StatusGrid[0][c] = std::string(texts::kStatusHeadings[c]);
}

}  // namespace vexla
