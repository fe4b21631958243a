#include "monitor/model/monitor_grid.h"

#include <algorithm>

#include "monitor/model/monitor_texts.h"

namespace vexla::monitor {

ChannelCells CellsOfChannel(int channel) {
    return {(channel / 16) * 6 + (channel % 4) + 1, ((channel % 16) / 4) * 5};
}

CellMeaning CellAt(int col, int row) {
    if (col < 0 || col >= kGridColumns || row < 0 || row >= kGridRows) return {};
    const int r = row % 6;
    const int k = col % 5;
    if (row == kSeparatorRow) return {CellKind::Separator};
    if (k == 4) return {CellKind::Spacer};
    if (r == 0) return {CellKind::Heading};
    const int channel = (row / 6) * 16 + (col / 5) * 4 + r - 1;
    static constexpr CellKind kKinds[] = {CellKind::ChannelNumber, CellKind::DisplayValue, CellKind::Displacement,
                                          CellKind::Rate};
    return {kKinds[k], channel};
}

std::array<int, kGridColumns> ColumnWidths(int gridWidth) {
    std::array<int, kGridColumns> widths{};
    for (int i = 0; i < kGridColumns; ++i) {
        if (i % 5 == 0) {
            widths[i] = gridWidth * 3 / 100;
        } else if ((i + 1) % 5 == 0) {
            widths[i] = gridWidth / 200;
        } else if ((i + 2) % 5 == 0) {
            widths[i] = gridWidth * 5 / 100;
        } else {
            widths[i] = gridWidth * 8 / 100;
        }
    }
    return widths;
}

std::array<int, kGridColumns> FitColumnWidths(std::array<int, kGridColumns> widths,
                                              const std::array<int, kGridColumns>& needed, int gridWidth) {
    int spare = gridWidth;
    for (int w : widths) spare -= w;
    for (int i = 0; i < kGridColumns; ++i) {
        while (widths[i] < needed[i]) {
            if (spare > 0) {
                const int take = std::min(spare, needed[i] - widths[i]);
                widths[i] += take;
                spare -= take;
                continue;
            }
            // A pixel from the column with the most to spare.
            int donor = -1;
            for (int j = 0; j < kGridColumns; ++j)
                if (widths[j] > needed[j] && (donor < 0 || widths[j] - needed[j] > widths[donor] - needed[donor]))
                    donor = j;
            if (donor < 0) break;
            --widths[donor];
            ++widths[i];
        }
    }
    return widths;
}

std::string TwoDigitChannelNumber(int channel) {
    const int number = channel + 1;
    // Appended, not added: GCC's -O3 warns falsely on the sum.
    std::string text = number < 10 ? "0" : "";
    text += std::to_string(number);
    return text;
}

std::string InitialCellText(int col, int row) {
    const CellMeaning cell = CellAt(col, row);
    if (cell.kind == CellKind::Heading && col % 5 < 4) return std::string(texts::kBlockHeadings[col % 5]);
    if (cell.kind == CellKind::ChannelNumber) {
        std::string text = " ";
        text += TwoDigitChannelNumber(cell.channel);
        return text;
    }
    return {};
}

}  // namespace vexla::monitor
