#include "recorder/model/statistics_table.h"

#include <algorithm>

#include "quality/millimetres.h"

namespace vexla::recorder {

namespace {

// A limit with the readings' decimals, or more where the limit has them.
std::string LimitText(quality::Fixed limit, int decimals) {
    quality::Fixed step = 1;
    for (int d = decimals; d < quality::kFixedDecimals; ++d) step *= 10;
    while (decimals < quality::kFixedDecimals && limit % step != 0) {
        ++decimals;
        step /= 10;
    }
    return quality::MillimetreText(limit, decimals);
}

}  // namespace

StatisticsTable MakeStatisticsTable(const std::vector<ChannelStatistics>& channels,
                                    const quality::LimitsTable& limits) {
    StatisticsTable table;
    table.headings = {"channel", "name", "count", "min", "max", "range", "mean", "std dev"};
    const bool judged = !limits.Empty();
    if (judged) table.headings.insert(table.headings.end(), {"LSL", "USL", "Cp", "Cpk", "outside"});
    for (const ChannelStatistics& c : channels) {
        const quality::RunningStats& s = c.summary.stats;
        if (s.Count() == 0) continue;
        const auto& channelLimits = limits.For(c.channel);
        std::vector<std::string> row = {std::to_string(c.channel),
                                        channelLimits ? channelLimits->name : std::string(),
                                        std::to_string(s.Count()),
                                        quality::MillimetreText(s.Minimum(), c.decimals),
                                        quality::MillimetreText(s.Maximum(), c.decimals),
                                        quality::MillimetreText(s.Range(), c.decimals),
                                        quality::DecimalText(s.Mean(), c.decimals + 1),
                                        quality::DecimalText(s.StdDev(), c.decimals + 1)};
        if (judged) {
            if (channelLimits) {
                const auto capability = quality::CapabilityOf(s, *channelLimits);
                row.push_back(LimitText(channelLimits->LowerLimit(), c.decimals));
                row.push_back(LimitText(channelLimits->UpperLimit(), c.decimals));
                row.push_back(capability ? quality::DecimalText(capability->cp, 2) : "-");
                row.push_back(capability ? quality::DecimalText(capability->cpk, 2) : "-");
                row.push_back(std::to_string(c.summary.Outside()));
            } else {
                row.insert(row.end(), 5, "");
            }
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

std::string AlignedText(const StatisticsTable& table) {
    std::vector<size_t> widths(table.headings.size());
    for (size_t i = 0; i < widths.size(); ++i) widths[i] = table.headings[i].size();
    for (const auto& row : table.rows) {
        for (size_t i = 0; i < row.size() && i < widths.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    }
    std::string text;
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string out;
        for (size_t i = 0; i < cells.size() && i < widths.size(); ++i) {
            const size_t pad = widths[i] - cells[i].size();
            if (i > 0) out += "  ";
            // The name reads left to right; numbers line up on the right.
            if (i == 1) {
                out += cells[i];
                out.append(pad, ' ');
            } else {
                out.append(pad, ' ');
                out += cells[i];
            }
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        text += out;
        text += '\n';
    };
    line(table.headings);
    for (const auto& row : table.rows) line(row);
    return text;
}

}  // namespace vexla::recorder
