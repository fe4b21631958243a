// The data functions that hosts call: results, rates, software zero, the
// averaging depth and the control-window permissions.

#include <algorithm>

#include "engine/driver.h"

namespace vexla {

TChannelRecord Driver::TakeResult() {
    return Channels.Boxes.TakeResult(Channels.EmptyRecord, Settings.TimesTenRange, Settings.InvertRange);
}

TSerialRecord8 Driver::GotSerialData() {
    const TChannelRecord r = TakeResult();
    TSerialRecord8 out{};
    out.header = r.Header;
    out.relative_flag = r.RelativeFlag;
    std::copy_n(r.Value.begin(), 8, out.value);
    std::copy_n(r.Displacement.begin(), 8, out.displacement);
    std::copy_n(r.Updated.begin(), 8, out.updated);
    return out;
}

std::array<int32_t, 32> Driver::GetReFlashRate32() const {
    std::array<int32_t, 32> rates;
    rates.fill(-1);
    if (const auto* waiting = Channels.Boxes.WaitingRates(); LinkOpen && waiting != nullptr) rates = *waiting;
    return rates;
}

std::array<int32_t, 8> Driver::GetReFlashRate() const {
    const auto all = GetReFlashRate32();
    std::array<int32_t, 8> rates;
    std::copy_n(all.begin(), 8, rates.begin());
    return rates;
}

uint8_t Driver::SetFilter(uint8_t depth) {
    if (depth >= 1 && depth <= kRingSlots) Settings.FilterDepth = depth;
    return Settings.FilterDepth;
}

void Driver::SetDataZero() { Channels.References.ClearReferences(); }

void Driver::SetDataZeroCh(uint8_t channel) { Channels.References.ClearReference(channel); }

void Driver::StartPoint(uint16_t on) {
    if (LinkOpen) Channels.References.RelativeMode = on != 0 ? 1 : 0;
    Channels.References.ClearReferences();
}

void Driver::EnableCtrls(uint8_t command, uint8_t zero, uint8_t setup) {
    EnableFlags = {command, zero, setup};
}

}  // namespace vexla
