// What the control window's controls do. The view stores nothing itself: it
// passes each control's new state here. Handlers that save are ignored while
// the settings are being written into the controls.

#include "channels/channel_range.h"
#include "engine/driver.h"

namespace vexla {
void Driver::CBoxDataFormatChange(int itemIndex) {
    if (settings_.Loading()) return;
    settings_.Values().DataFormat = static_cast<uint8_t>(itemIndex);
    LoadOrSaveSettings(true);
}

void Driver::SpinEditFillterChange(int value) {
    if (settings_.Loading()) return;
    settings_.Values().FilterDepth = static_cast<uint8_t>(value);
    LoadOrSaveSettings(true);
}

void Driver::CBoxCommChange(int itemIndex) {
    if (settings_.Loading()) return;
    settings_.Values().PortNumber = itemIndex + 1;
    Reconnect();
}

void Driver::CBoxLinkSpeedChange(int itemIndex) {
    if (settings_.Loading()) return;
    if (itemIndex >= 0 && itemIndex < static_cast<int>(kLinkSpeeds.size()))
        settings_.Values().BaudRate = kLinkSpeeds[static_cast<std::size_t>(itemIndex)];
    Reconnect();
}

// The file is written before connecting, so the connect reads the new value.
void Driver::Reconnect() {
    if (link_.IsOpen()) DisConnectComm();
    LoadOrSaveSettings(true);
    ConnectComm(19200, 1);
}

void Driver::CBoxFloat3Click(bool checked) {
    if (settings_.Loading()) return;
    settings_.Values().ThreeDecimals = checked ? 1 : 0;
    LoadOrSaveSettings(true);
}

// A range line's check box always takes effect; its number and direction
// only while the box is checked.
void Driver::ChangeRange(uint8_t& setting, const RangeControls& state, bool fromCheckBox) {
    if (settings_.Loading()) return;
    if (!fromCheckBox && !state.Checked) return;
    setting = EncodeRange(state.Checked, state.Channel, state.Before);
    LoadOrSaveSettings(true);
}

void Driver::CheckBoxMoveNegClick(const RangeControls& state) {
    ChangeRange(settings_.Values().InvertRange, state, true);
}

void Driver::CheckBoxNegDispClick(const RangeControls& state) {
    ChangeRange(settings_.Values().TimesTenRange, state, true);
}

void Driver::SpinEditChN1Change(const RangeControls& state) {
    ChangeRange(settings_.Values().InvertRange, state, false);
}

void Driver::SpinEditChN2Change(const RangeControls& state) {
    ChangeRange(settings_.Values().TimesTenRange, state, false);
}

void Driver::ComboBoxCmdChange(int itemIndex) {
    commandItem_ = itemIndex;
}

void Driver::SpBtnSendCmdClick() {
    if (!link_.IsOpen()) return;
    // Items 0..4 are codes 0..4 and item 5 is code 6; with nothing selected
    // (index -1, low byte 255) the code comes out as 0.
    const int index = commandItem_;
    const int code = static_cast<uint8_t>(index) <= 4 ? index : index + 1;
    CtrlFirmWare(static_cast<uint8_t>(code));
}

void Driver::SpBtnZeroClick() {
    channels_.Table().References.ClearReferences();
}

void Driver::SPComSendDataEmpty() {
    commandGuard_ = 0;
}

void Driver::FormClose() {
    if (view_ != nullptr) view_->Hidden();
    ShowPanelChange();
}

bool Driver::QueryEndSession() {
    DisConnectComm();
    if (window_ != nullptr) window_->QuitMessageLoop();
    return true;
}

}  // namespace vexla
