// The data functions that hosts call: results, rates, software zero, the
// averaging depth and the control-window permissions.

#include <algorithm>

#include "engine/driver.h"

namespace vexla {

TChannelRecord Driver::TakeResult() {
    return channels_.Table().Boxes.TakeResult(channels_.Table().EmptyRecord, settings_.Values().TimesTenRange,
                                              settings_.Values().InvertRange);
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
    if (const auto* waiting = channels_.Table().Boxes.WaitingRates(); link_.IsOpen() && waiting != nullptr)
        rates = *waiting;
    return rates;
}

std::array<int32_t, 8> Driver::GetReFlashRate() const {
    const auto all = GetReFlashRate32();
    std::array<int32_t, 8> rates;
    std::copy_n(all.begin(), 8, rates.begin());
    return rates;
}

uint8_t Driver::SetFilter(uint8_t depth) {
    if (depth >= 1 && depth <= kRingSlots) settings_.Values().FilterDepth = depth;
    return settings_.Values().FilterDepth;
}

void Driver::SetDataZero() {
    channels_.Table().References.ClearReferences();
}

void Driver::SetDataZeroCh(uint8_t channel) {
    channels_.Table().References.ClearReference(channel);
}

void Driver::StartPoint(uint16_t on) {
    if (link_.IsOpen()) channels_.Table().References.RelativeMode = on != 0 ? 1 : 0;
    channels_.Table().References.ClearReferences();
}

void Driver::EnableCtrls(uint8_t command, uint8_t zero, uint8_t setup) {
    enableFlags_ = {command, zero, setup};
}

// Until a result comes the host's numbers stay as they are and every flag
// reads 0; a result is copied whole, with 0 for a channel without news.
template <typename Block, std::size_t N>
void Driver::FillHostBlock(Block& block) {
    std::fill_n(block.updated, N, kFlagFalse);
    if (!windowExists_ && (ConnectComm(19200, 1) & 0xFFFF) == 0) return;
    if (!link_.IsOpen()) return;
    const TChannelRecord r = TakeResult();
    if (r.Header == 0) return;
    std::copy_n(r.Value.begin(), N, block.value);
    std::copy_n(r.Displacement.begin(), N, block.displacement);
    std::copy_n(r.Updated.begin(), N, block.updated);
}

void Driver::GetNewData32Ch(TDataBlock32& block) {
    FillHostBlock<TDataBlock32, 32>(block);
}

void Driver::GetNewData16Ch(TDataBlock16& block) {
    FillHostBlock<TDataBlock16, 16>(block);
}

// The host's or the tray icon's request: the user wants the window, so it
// comes to the front even when it is on show behind another one.
void Driver::ShowCtrlForm() {
    if (!windowExists_) return;
    if (view_ != nullptr) view_->BroughtToFront();
    ShowControlWindow();
}

void Driver::ShowControlWindow() {
    if (!windowExists_) return;
    settings_.Values().ShowCtrlWindow = 1;
    if (view_ != nullptr) view_->Shown(settings_.Values().SegmentNumber);
    ShowPanelChange();
}

void Driver::HideCtrlForm() {
    if (!startupPhase_ && quietPeriod_ == 0 && windowExists_) FormClose();
    settings_.Values().ShowCtrlWindow = 0;
}

int32_t Driver::SetNetSegment(uint8_t segment) {
    if (windowExists_) return 0;
    settings_.SetSegment(segment);
    return -1;
}

}  // namespace vexla
