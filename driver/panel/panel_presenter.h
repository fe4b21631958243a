#pragma once
// The control window as the engine's view: keeps the ControlPanel model up to
// date from what the engine tells it, and takes the user's actions to the
// engine's handlers with the control's new state (which the model then
// shows, as the control itself does).

#include <array>
#include <cstdint>
#include <string_view>

#include "engine/control_view.h"
#include "engine/driver.h"
#include "panel/control_panel.h"

namespace vexla {

// The setup page's editable drop-down lists.
enum class SettingsList { DataFormat, Comm, LinkSpeed };

// The port list's index that a typed port name stands for, as if its item
// existed: "Com12", "COM12" or "12" give 11 (port 12); -1 for any other text.
int TypedPortItem(std::string_view text);

class PanelPresenter final : public ControlView {
  public:
    const ControlPanel& Model() const { return model_; }
    // The window's grids as made, in 96-dpi units: their sizes follow them.
    void GridsMeasured(const GridClientSizes& grids);

    // ---- ControlView
    void Created(uint8_t segment) override;
    void Destroyed() override;
    void Shown(uint8_t segment) override;
    void Hidden() override;
    void BroughtToFront() override;
    void Connecting(int32_t port, int32_t lineSpeed) override;
    void PortUnavailable(int32_t port) override;
    void PortLost(int32_t port) override;
    void TimerSwitched(bool running) override;
    void StartupEnded() override;
    void Permissions(bool sendCommand, bool zero, bool setup) override;
    void CommandSent() override;
    void StatusCounted(const StatusCounters& counters, uint16_t submitCount) override;
    void ChannelsProcessed(const AveragingRing& averaging, const DriverSettings& settings) override;
    void SettingsShown(const DriverSettings& settings) override;

    // ---- the user's actions; controls that save change nothing while the
    // engine shows the settings
    void CBoxDataFormatChange(Driver& driver, int itemIndex);
    void CBoxCommChange(Driver& driver, int itemIndex);
    void CBoxLinkSpeedChange(Driver& driver, int itemIndex);
    void SpinEditFillterChange(Driver& driver, int value);
    void CBoxFloat3Click(Driver& driver, bool checked);
    void CheckBoxMoveNegClick(Driver& driver, const RangeControls& state);
    void CheckBoxNegDispClick(Driver& driver, const RangeControls& state);
    void SpinEditChN1Change(Driver& driver, const RangeControls& state);  // also RBtnDirFB0Click
    void SpinEditChN2Change(Driver& driver, const RangeControls& state);  // also RBtnDirFB1Click
    void ComboBoxCmdChange(Driver& driver, int itemIndex);
    // Typing into a settings list only marks it: acting on every key would
    // save the file, and reconnect, for each one. The typed text acts once
    // the user confirms it (Enter, or the focus leaving the list); a choice
    // from the list acts at once and drops what was typed before it.
    void ListTyped(SettingsList list);
    // `itemIndex` as for a choice (-1: a text that is no item). Acts, and
    // says so, only when text was typed since the list last acted.
    bool ListConfirmed(Driver& driver, SettingsList list, int itemIndex);
    // The user turned the notebook to another page (0..3).
    void PageControlChange(int page);

  private:
    ControlPanel model_;
    GridClientSizes grids_;
    std::array<uint8_t, kChannels> hold_{};  // ticks a silent channel's value stays on show
    std::array<bool, 3> typed_{};            // by SettingsList: typed text not yet acted on
};

}  // namespace vexla
