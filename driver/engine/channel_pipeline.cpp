#include "engine/channel_pipeline.h"

#include "protocol/frame_scanner.h"

namespace vexla {

void ChannelPipeline::Receive(std::span<const uint8_t> bytes) {
    newData_ = true;
    ring_.Append(bytes);
}

void ChannelPipeline::DropReceived() {
    ring_.Clear();
    newData_ = false;
}

bool ChannelPipeline::TakeSearched() {
    const bool searched = searched_;
    searched_ = false;
    return searched;
}

TChannelRecord ChannelPipeline::Decode(uint8_t format, uint32_t& answered) {
    answered = 0;
    TChannelRecord record = table_.EmptyRecord;
    if (!newData_) return record;
    newData_ = false;

    const ScanResult scan = ScanFrames(ring_, format);
    if (!scan.searched) return record;
    searched_ = true;
    ring_.Consume(scan.consumed);
    if (!scan.accepted) return table_.EmptyRecord;

    ZeroReferences& refs = table_.References;
    for (std::size_t r = 0; r < scan.count; ++r) {
        const ScannedReading& g = scan.readings[r];
        refs.EnterReading(record, g.channel, g.position, g.value, format);
        if (g.refreshesLiveness) answered |= 1u << g.channel;
    }
    if (scan.freshChannels)
        for (unsigned r = 0; r < 8; ++r) record.Updated[r] = (*scan.freshChannels >> r) & 1 ? kFlagTrue : kFlagFalse;
    record.Header = kFlagTrue;
    record.RelativeFlag = refs.RelativeMode ? kFlagTrue : kFlagFalse;
    return record;
}

}  // namespace vexla
