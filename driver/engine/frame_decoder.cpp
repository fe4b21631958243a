// One decode pass: the frames that the scanner accepts in the receive ring
// become a decode result with displacements from the channels' references.

#include "engine/driver.h"
#include "protocol/frame_scanner.h"

namespace vexla {

TChannelRecord Driver::DecodeFrames() {
    TChannelRecord record = Channels.EmptyRecord;
    if (!LinkOpen || !NewDataFlag) return record;
    NewDataFlag = false;

    const uint8_t format = Settings.DataFormat;
    const ScanResult scan = ScanFrames(Receive, format);
    if (!scan.searched) return record;
    ScanFlag = true;
    Receive.Consume(scan.consumed);
    if (!scan.accepted) return Channels.EmptyRecord;

    ZeroReferences& refs = Channels.References;
    for (std::size_t r = 0; r < scan.count; ++r) {
        const ScannedReading& g = scan.readings[r];
        refs.EnterReading(record, g.channel, g.position, g.value, format);
        if (g.refreshesLiveness) AliveCount[g.channel] = kAliveAfterFrame;
    }
    if (scan.freshChannels)
        for (unsigned r = 0; r < 8; ++r) record.Updated[r] = (*scan.freshChannels >> r) & 1 ? kFlagTrue : kFlagFalse;
    record.Header = kFlagTrue;
    record.RelativeFlag = refs.RelativeMode ? kFlagTrue : kFlagFalse;
    return record;
}

}  // namespace vexla
