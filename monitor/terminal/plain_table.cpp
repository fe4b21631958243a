#include "plain_table.h"

#include <cstdio>

#include "monitor/model/monitor_texts.h"
#include "screen_layout.h"
#include "ui/terminal/display_width.h"

namespace vexla::monitor::terminal {

using ui::terminal::Align;
using ui::terminal::FitUtf8;

namespace {

void AddRow(std::string& out, const std::string (&cells)[4], const char* mark = nullptr) {
    for (std::size_t k = 0; k < 4; ++k) {
        if (k > 0) out += ' ';
        const BlockColumn& entry = kReadingColumns[k];
        out += FitUtf8(cells[k], entry.cells, entry.column == Column::Number ? Align::Left : Align::Right);
    }
    if (mark != nullptr) {
        out += ' ';
        out += mark;
    }
    // A channel that never reported leaves blank columns behind its number.
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out += '\n';
}

}  // namespace

std::string PlainTable(const MonitorModel& model, double seconds, const ChannelStatistics* statistics) {
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "-- %.1f s --\n", seconds);
    std::string out = stamp;
    const std::string headings[4] = {std::string(texts::kBlockHeadings[0]), std::string(texts::kBlockHeadings[1]),
                                     std::string(texts::kBlockHeadings[2]), std::string(texts::kBlockHeadings[3])};
    AddRow(out, headings);
    for (int c = 0; c < kChannels; ++c) {
        const ChannelCells cells = CellsOfChannel(c);
        const std::string row[4] = {
            model.Cell(cells.baseColumn, cells.row), model.Cell(cells.DisplayColumn(), cells.row),
            model.Cell(cells.DisplacementColumn(), cells.row), model.Cell(cells.RateColumn(), cells.row)};
        const auto judgement = statistics != nullptr ? statistics->JudgeDisplacement(c) : std::nullopt;
        AddRow(out, row, judgement ? quality::JudgementText(*judgement) : nullptr);
    }
    return out;
}

}  // namespace vexla::monitor::terminal
