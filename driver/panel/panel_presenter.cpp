#include "panel/panel_presenter.h"

#include <string>

#include "panel/channel_grid_texts.h"
#include "panel/driver_texts.h"
#include "panel/settings_controls.h"
#include "panel/window_layout.h"

namespace vexla {

void PanelPresenter::GridsMeasured(const GridClientSizes& grids) {
    grids_ = grids;
    LayOutGrids(model_, grids_);
}

void PanelPresenter::Created(uint8_t segment) {
    model_ = ControlPanel{};
    model_.Exists = true;
    LayOutNewWindow(model_, segment, grids_);
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

void PanelPresenter::BroughtToFront() {
    ++model_.FrontRequests;
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

namespace {

// The control shows what the user set (as the control itself does) unless
// the engine is filling the controls, in which case the handler does nothing
// either; then the engine's handler acts on it.
template <typename State, typename Argument>
void Forward(Driver& driver, State& shown, const State& state, void (Driver::*handler)(Argument)) {
    if (!driver.SettingsLoading()) shown = state;
    (driver.*handler)(state);
}

}  // namespace

void PanelPresenter::CBoxDataFormatChange(Driver& driver, int itemIndex) {
    typed_[static_cast<std::size_t>(SettingsList::DataFormat)] = false;
    Forward(driver, model_.CBoxDataFormatIndex, itemIndex, &Driver::CBoxDataFormatChange);
}

void PanelPresenter::CBoxCommChange(Driver& driver, int itemIndex) {
    typed_[static_cast<std::size_t>(SettingsList::Comm)] = false;
    Forward(driver, model_.CBoxCommIndex, itemIndex, &Driver::CBoxCommChange);
}

void PanelPresenter::CBoxLinkSpeedChange(Driver& driver, int itemIndex) {
    typed_[static_cast<std::size_t>(SettingsList::LinkSpeed)] = false;
    Forward(driver, model_.CBoxLinkSpeedIndex, itemIndex, &Driver::CBoxLinkSpeedChange);
}

int TypedPortItem(std::string_view text) {
    if (text.size() >= 3 && (text[0] == 'C' || text[0] == 'c') && (text[1] == 'O' || text[1] == 'o') &&
        (text[2] == 'M' || text[2] == 'm'))
        text.remove_prefix(3);
    if (text.empty() || text.size() > 3 || text[0] == '0') return -1;
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        port = port * 10 + (c - '0');
    }
    return port <= 255 ? port - 1 : -1;
}

void PanelPresenter::ListTyped(SettingsList list) {
    typed_[static_cast<std::size_t>(list)] = true;
}

bool PanelPresenter::ListConfirmed(Driver& driver, SettingsList list, int itemIndex) {
    if (!typed_[static_cast<std::size_t>(list)]) return false;
    // The handlers below clear the mark before a reconnect or a message box
    // takes the focus away, so that loss of focus confirms nothing twice.
    switch (list) {
        case SettingsList::DataFormat:
            CBoxDataFormatChange(driver, itemIndex);
            break;
        case SettingsList::Comm:
            CBoxCommChange(driver, itemIndex);
            break;
        case SettingsList::LinkSpeed:
            CBoxLinkSpeedChange(driver, itemIndex);
            break;
    }
    return true;
}

void PanelPresenter::SpinEditFillterChange(Driver& driver, int value) {
    Forward(driver, model_.SpinEditFillter, value, &Driver::SpinEditFillterChange);
}

void PanelPresenter::CBoxFloat3Click(Driver& driver, bool checked) {
    Forward(driver, model_.CBoxFloat3, checked, &Driver::CBoxFloat3Click);
}

void PanelPresenter::CheckBoxMoveNegClick(Driver& driver, const RangeControls& state) {
    Forward(driver, model_.Invert, state, &Driver::CheckBoxMoveNegClick);
}

void PanelPresenter::CheckBoxNegDispClick(Driver& driver, const RangeControls& state) {
    Forward(driver, model_.TimesTen, state, &Driver::CheckBoxNegDispClick);
}

void PanelPresenter::SpinEditChN1Change(Driver& driver, const RangeControls& state) {
    Forward(driver, model_.Invert, state, &Driver::SpinEditChN1Change);
}

void PanelPresenter::SpinEditChN2Change(Driver& driver, const RangeControls& state) {
    Forward(driver, model_.TimesTen, state, &Driver::SpinEditChN2Change);
}

void PanelPresenter::PageControlChange(int page) {
    if (page >= 0 && page < 4) model_.ActivePage = page;
}

void PanelPresenter::ComboBoxCmdChange(Driver& driver, int itemIndex) {
    model_.ComboBoxCmdIndex = itemIndex;
    driver.ComboBoxCmdChange(itemIndex);
}

}  // namespace vexla
