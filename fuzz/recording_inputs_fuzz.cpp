// Reads arbitrary bytes as what users hand the recorder: a limits file
// (first byte even) or a recording (odd). Aborts if a parsed limit judges
// its own ends as outside, or if a row read back after writing it differs
// from the row first read.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "quality/tolerance_limits.h"
#include "recorder/model/csv_rows.h"

namespace {

using namespace vexla;

void Limits(std::string_view text) {
    const Result<quality::LimitsTable> parsed = quality::ParseLimits(text);
    if (!parsed) return;
    for (int c = 1; c <= quality::kChannels; ++c) {
        const auto& limits = parsed->For(c);
        if (!limits) continue;
        if (limits->Judge(limits->LowerLimit()) != quality::Judgement::Ok ||
            limits->Judge(limits->UpperLimit()) != quality::Judgement::Ok || limits->lower > limits->upper) {
            std::abort();
        }
    }
}

void Recording(std::string_view text) {
    recorder::CsvReader reader;
    const size_t end = text.find('\n');
    if (!reader.ReadHeading(text.substr(0, end)) || end == std::string_view::npos) return;
    text.remove_prefix(end + 1);
    while (!text.empty()) {
        const size_t lineEnd = text.find('\n');
        const std::string_view line = text.substr(0, lineEnd);
        text.remove_prefix(lineEnd == std::string_view::npos ? text.size() : lineEnd + 1);
        const auto row = reader.ReadRow(line);
        if (!row) continue;
        std::string written;
        recorder::ReadingRow copy = *row;
        copy.value = row->displacement;  // the value's own decimals are not kept
        recorder::AppendCsvRow(written, copy, reader.Layout());
        recorder::CsvReader again;
        again.ReadHeading(recorder::CsvHeading(reader.Layout()));
        const auto back = again.ReadRow(written);
        if (!back || back->time.EpochMilliseconds() != row->time.EpochMilliseconds() || back->channel != row->channel ||
            back->displacement != row->displacement || back->rate != row->rate || back->part != row->part ||
            back->judgement != row->judgement) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        Limits(text);
    } else {
        Recording(text);
    }
    return 0;
}
