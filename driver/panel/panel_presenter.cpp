#include "panel/panel_presenter.h"

#include <string>

#include "panel/channel_grid_texts.h"
#include "panel/driver_texts.h"
#include "panel/settings_controls.h"
#include "panel/window_layout.h"

namespace vexla {

void PanelPresenter::Created(uint8_t segment) {
    model_ = ControlPanel{};
    model_.Exists = true;
    LayOutNewWindow(model_, segment);
    hold_.fill(0);
}

void PanelPresenter::Destroyed() {
    model_ = ControlPanel{};
}

void PanelPresenter::Shown(uint8_t segment) {
    model_.PanelLogoVisible = false;
    model_.PageControlVisible = true;
    // Windows of several segments cascade instead of covering each other.
    if (model_.Left == 0 && model_.Top == 0) model_.Left = model_.Top = segment * 30 + 1;
    model_.Visible = true;
}

void PanelPresenter::Hidden() {
    model_.Visible = false;
}

void PanelPresenter::Connecting(int32_t port, int32_t lineSpeed) {
    LayOutStatusPage(model_);
    model_.PanelLogoVisible = true;
    model_.PageControlVisible = false;
    model_.LabelSpeed = texts::ConnectingLabel(port, lineSpeed);
    model_.Visible = true;
}

void PanelPresenter::PortUnavailable(int32_t port) {
    model_.LabelSpeed = texts::PortUnavailableLabel(port);
}

void PanelPresenter::PortLost(int32_t port) {
    model_.LabelSpeed = texts::PortLostLabel(port);
    model_.ActivePage = 1;
    model_.Visible = true;
}

void PanelPresenter::TimerSwitched(bool running) {
    model_.TimerEnabled = running;
}

void PanelPresenter::StartupEnded() {
    model_.PageControlLeft = model_.PageControlTop = 0;
    model_.PanelLogoVisible = false;
    model_.PageControlVisible = true;
    model_.ActivePage = 0;
}

void PanelPresenter::Permissions(bool sendCommand, bool zero, bool setup) {
    model_.SpBtnSendCmdEnabled = sendCommand;
    model_.SpBtnZeroEnabled = zero;
    model_.TabSheetSetupEnabled = model_.TabSheetValueEnabled = setup;
}

void PanelPresenter::CommandSent() {
    model_.SpBtnSendCmdEnabled = false;
}

void PanelPresenter::StatusCounted(const StatusCounters& counters, uint16_t submitCount) {
    if (counters.Ticks % 40 == 0) model_.Caption = std::string(texts::kStatusCaptions[(counters.Ticks / 40) % 3]);
    model_.StatusGrid[1] = {std::to_string(submitCount), std::to_string(counters.Ticks),
                            std::to_string(counters.TicksWithData), std::to_string(counters.TicksWithSearch)};
}

void PanelPresenter::ChannelsProcessed(const AveragingRing& averaging, const DriverSettings& settings) {
    for (unsigned i = 0; i < kChannels; ++i)
        ShowChannelRow(model_.ChannelGrid[i + 1], hold_[i], i, averaging, settings);
}

void PanelPresenter::SettingsShown(const DriverSettings& settings) {
    ShowSettings(model_, settings);
}

void PanelPresenter::CBoxDataFormatChange(Driver& driver, int itemIndex) {
    if (!driver.SettingsLoading()) model_.CBoxDataFormatIndex = itemIndex;
    driver.CBoxDataFormatChange(itemIndex);
}

void PanelPresenter::CBoxCommChange(Driver& driver, int itemIndex) {
    if (!driver.SettingsLoading()) model_.CBoxCommIndex = itemIndex;
    driver.CBoxCommChange(itemIndex);
}

void PanelPresenter::CBoxLinkSpeedChange(Driver& driver, int itemIndex) {
    if (!driver.SettingsLoading()) model_.CBoxLinkSpeedIndex = itemIndex;
    driver.CBoxLinkSpeedChange(itemIndex);
}

void PanelPresenter::SpinEditFillterChange(Driver& driver, int value) {
    if (!driver.SettingsLoading()) model_.SpinEditFillter = value;
    driver.SpinEditFillterChange(value);
}

void PanelPresenter::CBoxFloat3Click(Driver& driver, bool checked) {
    if (!driver.SettingsLoading()) model_.CBoxFloat3 = checked;
    driver.CBoxFloat3Click(checked);
}

void PanelPresenter::CheckBoxMoveNegClick(Driver& driver, const RangeControls& state) {
    if (!driver.SettingsLoading()) model_.Invert = state;
    driver.CheckBoxMoveNegClick(state);
}

void PanelPresenter::CheckBoxNegDispClick(Driver& driver, const RangeControls& state) {
    if (!driver.SettingsLoading()) model_.TimesTen = state;
    driver.CheckBoxNegDispClick(state);
}

void PanelPresenter::SpinEditChN1Change(Driver& driver, const RangeControls& state) {
    if (!driver.SettingsLoading()) model_.Invert = state;
    driver.SpinEditChN1Change(state);
}

void PanelPresenter::SpinEditChN2Change(Driver& driver, const RangeControls& state) {
    if (!driver.SettingsLoading()) model_.TimesTen = state;
    driver.SpinEditChN2Change(state);
}

void PanelPresenter::ComboBoxCmdChange(Driver& driver, int itemIndex) {
    model_.ComboBoxCmdIndex = itemIndex;
    driver.ComboBoxCmdChange(itemIndex);
}

}  // namespace vexla
