#pragma once
// The binary layouts in which hosts receive results. They are defined once,
// in the public header; here they are pinned so that no compiler or target
// can change them.

#include <cstddef>

#include "channels/channel_record.h"
#include "vexla.h"

namespace vexla {

using TDataBlock32 = VexlaDataBlock32;
using TDataBlock16 = VexlaDataBlock16;
using TSerialRecord8 = VexlaRecord8;

static_assert(sizeof(TDataBlock32) == 320);
static_assert(offsetof(TDataBlock32, displacement) == 128);
static_assert(offsetof(TDataBlock32, updated) == 256);
static_assert(sizeof(TDataBlock16) == 160);
static_assert(offsetof(TDataBlock16, displacement) == 64);
static_assert(offsetof(TDataBlock16, updated) == 128);
static_assert(sizeof(TSerialRecord8) == 84);
static_assert(offsetof(TSerialRecord8, relative_flag) == 2);
static_assert(offsetof(TSerialRecord8, value) == 4);
static_assert(offsetof(TSerialRecord8, displacement) == 36);
static_assert(offsetof(TSerialRecord8, updated) == 68);
static_assert(sizeof(VexlaRecord32) == sizeof(TChannelRecord));
static_assert(offsetof(VexlaRecord32, value) == offsetof(TChannelRecord, Value));
static_assert(offsetof(VexlaRecord32, displacement) == offsetof(TChannelRecord, Displacement));
static_assert(offsetof(VexlaRecord32, updated) == offsetof(TChannelRecord, Updated));

}  // namespace vexla
