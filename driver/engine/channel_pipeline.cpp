#include "engine/channel_pipeline.h"

#include <utility>

#include "protocol/frame_scanner.h"

namespace vexla {

void ChannelPipeline::Receive(std::span<const uint8_t> bytes, uint8_t format) {
    newData_ = true;
    // A burst larger than the ring's free room would overwrite frames that
    // were never searched: the full ring is searched first, and its readings
    // wait for the tick with those of the rest.
    while (bytes.size() > static_cast<std::size_t>(ReceiveRing::kSize - ring_.ReceiveCount)) {
        const auto room = static_cast<std::size_t>(ReceiveRing::kSize - ring_.ReceiveCount);
        ring_.Append(bytes.first(room));
        bytes = bytes.subspan(room);
        const int32_t before = ring_.ReceiveCount;
        Search(format);
        if (ring_.ReceiveCount == before) break;  // no format to search by: the oldest bytes give way
    }
    ring_.Append(bytes);
}

void ChannelPipeline::ClearRing() {
    ring_.Clear();
    ResetPass();
}

void ChannelPipeline::DropReceived() {
    ClearRing();
    newData_ = false;
}

bool ChannelPipeline::TakeSearched() {
    const bool searched = searched_;
    searched_ = false;
    return searched;
}

TChannelRecord ChannelPipeline::Decode(uint8_t format, uint32_t& answered) {
    answered = 0;
    if (!newData_) return table_.EmptyRecord;
    newData_ = false;
    Search(format);
    if (!pass_.accepted) {
        ResetPass();
        return table_.EmptyRecord;
    }

    TChannelRecord record = pass_.record;
    for (unsigned ch = 0; ch < kChannels; ++ch)
        if ((pass_.stale & ~pass_.fresh) >> ch & 1) record.Updated[ch] = kFlagFalse;
    record.Header = kFlagTrue;
    record.RelativeFlag = table_.References.RelativeMode ? kFlagTrue : kFlagFalse;
    answered = pass_.answered;
    ResetPass();
    return record;
}

// Readings enter in the order they came, so the newest of a channel stands;
// a channel is updated when any of its readings was fresh.
void ChannelPipeline::Search(uint8_t format) {
    const ScanResult scan = ScanFrames(ring_, format);
    if (!scan.searched) return;
    searched_ = true;
    ring_.Consume(scan.consumed);
    pass_.accepted = pass_.accepted || scan.accepted;
    counts_.rejected += scan.rejected;
    for (std::size_t r = 0; r < scan.count; ++r) {
        const ScannedReading& g = scan.readings[r];
        table_.References.EnterReading(pass_.record, g.channel, g.position, g.value, format);
        if (g.refreshesLiveness) pass_.answered |= 1u << g.channel;
        (g.fresh ? pass_.fresh : pass_.stale) |= 1u << g.channel;
        ++counts_.accepted[g.channel];
    }
}

ChannelPipeline::LineCounts ChannelPipeline::TakeLineCounts() {
    return std::exchange(counts_, LineCounts{});
}

void ChannelPipeline::ResetPass() {
    pass_ = DecodePass{};
    pass_.record = table_.EmptyRecord;
}

}  // namespace vexla
