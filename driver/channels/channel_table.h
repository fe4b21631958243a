#pragma once
// The channels layer: what the driver keeps per channel. This folder holds
// the channel record and the host layouts, zero references and folds,
// averaging and rates, the result boxes, ranges, Long2String and the
// configuration file; it knows nothing of the driver that uses them.
//
// The driver's per-segment channel state: reference points, the averaging
// ring and the result boxes. Fixed-size throughout; nothing on the heap.

#include "channels/averaging.h"
#include "channels/channel_record.h"
#include "channels/result_boxes.h"
#include "channels/zero_reference.h"

namespace vexla {

struct TChannelTable {
    ZeroReferences References;
    AveragingRing Averaging;
    ResultBoxes Boxes;
    // All zero; the starting point of every decode pass and what an empty
    // hand-over delivers. Never written after the control window exists.
    TChannelRecord EmptyRecord{};
};

}  // namespace vexla
