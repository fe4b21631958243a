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

namespace vexla {

namespace {

// The host's block keeps its old numbers; only the flags say what is new.
template <typename Block, std::size_t N>
void FillBlock(Driver& d, Block& block) {
    std::fill_n(block.updated, N, kFlagFalse);
    if (!d.Panel.Exists && (d.ConnectComm(19200, 1) & 0xFFFF) == 0) return;
    if (!d.LinkOpen) return;
    const TChannelRecord r = d.TakeResult();
    if (r.Header == 0) return;
    std::copy_n(r.Value.begin(), N, block.value);
    std::copy_n(r.Displacement.begin(), N, block.displacement);
    std::copy_n(r.Updated.begin(), N, block.updated);
}

}  // namespace

void Driver::GetNewData32Ch(TDataBlock32& block) { FillBlock<TDataBlock32, 32>(*this, block); }

void Driver::GetNewData16Ch(TDataBlock16& block) { FillBlock<TDataBlock16, 16>(*this, block); }

void Driver::ShowCtrlForm() {
    if (!Panel.Exists) return;
    Settings.ShowCtrlWindow = 1;
    Panel.PanelLogoVisible = false;
    Panel.PageControlVisible = true;
    // Windows of several segments cascade instead of covering each other.
    if (Panel.Left == 0 && Panel.Top == 0) Panel.Left = Panel.Top = Settings.SegmentNumber * 30 + 1;
    Panel.Visible = true;
    ShowPanelChange();
}

void Driver::HideCtrlForm() {
    if (!StartupPhase && QuietPeriod == 0 && Panel.Exists) FormClose();
    Settings.ShowCtrlWindow = 0;
}

int32_t Driver::SetNetSegment(uint8_t segment) {
    if (Panel.Exists) return 0;
    Settings.SegmentNumber = segment;
    if (Config != nullptr) Config->SetSegment(segment);
    return -1;
}

}  // namespace vexla
