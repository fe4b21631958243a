// What the control window's controls do. The view stores nothing itself: it
// passes each control's new state here. Handlers that save are ignored while
// the settings are being written into the controls.

#include "engine/driver.h"

namespace vexla {
namespace {

constexpr int32_t kSpeeds[] = {9600, 19200, 38400, 57600, 115200};

// 0 when off; else the channel number, with bit 7 set for "and after".
uint8_t EncodeRange(const RangeControls& c) {
    if (!c.Checked) return 0;
    const auto n = static_cast<uint8_t>(c.Channel);
    return c.Before ? n : static_cast<uint8_t>(n + 128);
}

}  // namespace

void Driver::CBoxDataFormatChange(int itemIndex) {
    if (LoadingGuard) return;
    Panel.CBoxDataFormatIndex = itemIndex;
    Settings.DataFormat = static_cast<uint8_t>(itemIndex);
    LoadOrSaveSettings(true);
}

void Driver::SpinEditFillterChange(int value) {
    if (LoadingGuard) return;
    Panel.SpinEditFillter = value;
    Settings.FilterDepth = static_cast<uint8_t>(value);
    LoadOrSaveSettings(true);
}

void Driver::CBoxCommChange(int itemIndex) {
    if (LoadingGuard) return;
    Panel.CBoxCommIndex = itemIndex;
    Settings.PortNumber = itemIndex + 1;
    Reconnect();
}

void Driver::CBoxLinkSpeedChange(int itemIndex) {
    if (LoadingGuard) return;
    Panel.CBoxLinkSpeedIndex = itemIndex;
    if (itemIndex >= 0 && itemIndex < 5) Settings.BaudRate = kSpeeds[itemIndex];
    Reconnect();
}

// The file is written before connecting, so the connect reads the new value.
void Driver::Reconnect() {
    if (LinkOpen) DisConnectComm();
    LoadOrSaveSettings(true);
    ConnectComm(19200, 1);
}

void Driver::CBoxFloat3Click(bool checked) {
    if (LoadingGuard) return;
    Panel.CBoxFloat3 = checked;
    Settings.ThreeDecimals = checked ? 1 : 0;
    LoadOrSaveSettings(true);
}

// A range line's check box always takes effect; its number and direction
// only while the box is checked.
void Driver::ChangeRange(RangeControls& controls, uint8_t& setting, const RangeControls& state, bool fromCheckBox) {
    if (LoadingGuard) return;
    controls = state;
    if (!fromCheckBox && !state.Checked) return;
    setting = EncodeRange(state);
    LoadOrSaveSettings(true);
}

void Driver::CheckBoxMoveNegClick(const RangeControls& state) { ChangeRange(Panel.Invert, Settings.InvertRange, state, true); }

void Driver::CheckBoxNegDispClick(const RangeControls& state) {
    ChangeRange(Panel.TimesTen, Settings.TimesTenRange, state, true);
}

void Driver::SpinEditChN1Change(const RangeControls& state) { ChangeRange(Panel.Invert, Settings.InvertRange, state, false); }

void Driver::SpinEditChN2Change(const RangeControls& state) {
    ChangeRange(Panel.TimesTen, Settings.TimesTenRange, state, false);
}

void Driver::SpBtnSendCmdClick() {
    if (!LinkOpen) return;
    // Items 0..4 are codes 0..4 and item 5 is code 6; with nothing selected
    // (index -1, low byte 255) the code comes out as 0.
    const int index = Panel.ComboBoxCmdIndex;
    const int code = static_cast<uint8_t>(index) <= 4 ? index : index + 1;
    CtrlFirmWare(static_cast<uint8_t>(code));
}

void Driver::SpBtnZeroClick() { Channels.References.ClearReferences(); }

void Driver::SPComSendDataEmpty() { CommandGuard = 0; }

void Driver::FormClose() {
    Panel.Visible = false;
    ShowPanelChange();
}

bool Driver::QueryEndSession() {
    DisConnectComm();
    if (Window != nullptr) Window->QuitMessageLoop();
    return true;
}

}  // namespace vexla
