#include "panel/window_layout.h"

#include <cstdio>
#include <string>

#include "panel/channel_grid_texts.h"
#include "panel/driver_texts.h"

namespace vexla {

void LayOutGrids(ControlPanel& panel, const GridClientSizes& grids) {
    const int u = grids.channelWidth / 25;
    const int rest = grids.channelWidth - 25 * u;
    panel.ChannelColumnWidths = {9 * u + rest / 2, 9 * u, 7 * u + rest - rest / 2};
    panel.ChannelRowHeight = grids.channelHeight * 18 / 80;
    const int column = grids.statusWidth / 4;
    panel.StatusColumnWidths = {column, column, column, grids.statusWidth - 3 * column};
    panel.StatusRowHeight = grids.statusHeight / 2;
}

void LayOutNewWindow(ControlPanel& panel, uint8_t segment, const GridClientSizes& grids) {
    // What the window does as it is created: the tray icon, then show itself.
    panel.TrayHint = std::string(texts::kTrayHintPrefix) + std::to_string(segment + 1);
    panel.TrayVisible = true;
    panel.Visible = true;

    panel.Caption = std::string(texts::kStatusCaptions[2]);
    panel.ComboBoxCmdIndex = 2;
    panel.Left = panel.Top = 0;

    LayOutGrids(panel, grids);
    char segmentText[8];
    std::snprintf(segmentText, sizeof segmentText, "%03u", segment + 1u);
    panel.ChannelGrid[0] = {std::string(segmentText) + std::string(texts::kSegmentHeadingSuffix),
                            std::string(texts::kValueHeading), std::string(texts::kRateHeading)};
    for (unsigned r = 1; r < kChannelGridRows; ++r)
        panel.ChannelGrid[r] = {ChannelRowName(r, segment), std::string(texts::kValueNeverSeen),
                                std::string(texts::kRateInitial)};
}

void LayOutStatusPage(ControlPanel& panel) {
    for (unsigned c = 0; c < 4; ++c) panel.StatusGrid[0][c] = std::string(texts::kStatusHeadings[c]);
}

}  // namespace vexla
