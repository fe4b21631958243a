#include "channels/zero_reference.h"

#include "protocol/data_format.h"

namespace vexla {
namespace {

int64_t Fold(int64_t d, int64_t halfRange, int64_t period) {
    if (d > halfRange) d -= period;
    if (d < -halfRange) d += period;
    return d;
}

// Narrowing keeps two's-complement wrap-around: only a reference point far
// outside any gauge's counter (a hand-edited file) can get here.
int32_t Wrap32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

}  // namespace

int32_t FoldPerChannel(int64_t d) {
    return Wrap32(Fold(d, 10403840, 20807680));
}

// The wireless position field has 20 bits: its gauges' counters run round at
// 2,621,440 counts, which a fold over 20,807,680 would never catch.
int32_t FoldWireless(int64_t d) {
    return Wrap32(Fold(d, 1310720, 2621440));
}

int32_t FoldText(int64_t d) {
    return Wrap32(Fold(d, 325120, 650240));
}

int32_t FoldAndScaleBlock(int64_t d) {
    d = Fold(d, 8388608, 16777216);
    // Truncate the magnitude and restore the sign; 64 bits because |d| x 1270
    // overflows 32 bits beyond 1690932 counts.
    const int64_t scaled = (d < 0 ? -d : d) * 1270 / 1024;
    return Wrap32(d < 0 ? -scaled : scaled);
}

void ZeroReferences::EnterReading(TChannelRecord& record, unsigned channel, int32_t position, int32_t value,
                                  uint8_t format) {
    int32_t displacement = 0;
    if (CapturesPerChannel(format)) {
        RelativeMode = 1;
        if (ReferenceCaptured[channel]) {
            const int64_t d = int64_t{position} - ReferencePoint[channel];
            displacement = format == kFormatWireless ? FoldWireless(d) : FoldPerChannel(d);
        } else {
            ReferencePoint[channel] = position;
            ReferenceCaptured[channel] = 1;
            SavePending = true;
        }
    } else if (RelativeMode) {
        const int64_t d = int64_t{position} - ReferencePoint[channel];
        displacement = format == kFormatText ? FoldText(d) : FoldAndScaleBlock(d);
    } else {
        // The reference follows the gauge until relative mode is switched on.
        ReferencePoint[channel] = position;
    }
    record.Displacement[channel] = displacement;
    record.Value[channel] = value;
    record.Updated[channel] = kFlagTrue;
}

}  // namespace vexla
