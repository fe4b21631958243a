#pragma once
// The driver: one object composed of named parts (the link and its
// supervision, the poll schedule, the channel pipeline, the settings and
// their file), with the operations of the link, the 50 ms tick, the hardware
// commands, the data interface and the control window's handlers as its
// public face. What the control window should show goes out through the
// view seam. The library frame owns exactly one; tests
// make as many as they like and act through the operations and the seams.
// Nothing here touches the operating system.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "channels/config_file.h"
#include "channels/host_layouts.h"
#include "engine/channel_pipeline.h"
#include "engine/control_view.h"
#include "engine/host_services.h"
#include "engine/link_port.h"
#include "engine/link_supervisor.h"
#include "engine/poll_schedule.h"
#include "engine/settings_store.h"

namespace vexla {

// What the host lets the user do in the control window (EnableCtrls).
struct ControlPermissions {
    uint8_t Command = 1;
    uint8_t Zero = 1;
    uint8_t Setup = 1;
};

inline constexpr uint8_t kQuietPeriodAfterCommand = 20;
inline constexpr uint8_t kCommandGuardTicks = 2;

// The platform around the driver; each may be null where a test needs none.
// None is owned.
struct DriverSeams {
    LinkPort* Port = nullptr;
    Notifier* Notices = nullptr;
    WindowHost* Window = nullptr;
    ConfigFile* Config = nullptr;
    ControlView* View = nullptr;
};

class Driver {
  public:
    explicit Driver(const DriverSeams& seams = {});

    // ---- link lifecycle
    int32_t ConnectComm(int32_t baudRate, int16_t port);
    void DisConnectComm();
    void DLL_End_Application();

    // ---- the 50 ms tick
    void PopUpFormTimerTimer();
    uint8_t NextPollAddress();
    void ChannelZeroStep();

    // ---- receive path and processing step
    void SPComReceiveData(std::span<const uint8_t> bytes);
    TChannelRecord DecodeFrames();
    void ProcessTick();

    // ---- hardware commands
    void CtrlFirmWare(uint8_t code);
    void SetHardWareZero();
    void SetHardWareZeroCh(uint8_t channel);
    void SendCommand(uint8_t code);

    // ---- data interface
    TChannelRecord TakeResult();
    TChannelRecord GotSerialData32() { return TakeResult(); }
    TSerialRecord8 GotSerialData();
    void GetNewData32Ch(TDataBlock32& block);
    void GetNewData16Ch(TDataBlock16& block);
    std::array<int32_t, 32> GetReFlashRate32() const;
    std::array<int32_t, 8> GetReFlashRate() const;
    uint8_t SetFilter(uint8_t depth);
    void SetDataZero();
    void SetDataZeroCh(uint8_t channel);
    void StartPoint(uint16_t on);
    void EnableCtrls(uint8_t command, uint8_t zero, uint8_t setup);
    void ShowCtrlForm();
    void HideCtrlForm();
    int32_t SetNetSegment(uint8_t segment);

    // ---- configuration file
    void LoadOrSaveSettings(bool save);
    void SaveReferences();

    // ---- control window handlers (the view passes the control's new state)
    void CBoxDataFormatChange(int itemIndex);
    void CBoxCommChange(int itemIndex);
    void CBoxLinkSpeedChange(int itemIndex);
    void SpinEditFillterChange(int value);
    void CBoxFloat3Click(bool checked);
    void CheckBoxMoveNegClick(const RangeControls& state);
    void CheckBoxNegDispClick(const RangeControls& state);
    void SpinEditChN1Change(const RangeControls& state);  // also RBtnDirFB0Click
    void SpinEditChN2Change(const RangeControls& state);  // also RBtnDirFB1Click
    void ComboBoxCmdChange(int itemIndex);
    void SpBtnSendCmdClick();
    void SpBtnZeroClick();
    void SPComSendDataEmpty();
    void FormClose();
    bool QueryEndSession();

    // ---- what the view, the library frame and tests may read
    bool WindowExists() const { return windowExists_; }
    // Raised while the settings are shown in the controls: handlers that
    // save do nothing then.
    bool SettingsLoading() const { return settings_.Loading(); }
    const DriverSettings& Settings() const { return settings_.Values(); }
    const LinkSupervisor& Link() const { return link_; }
    const PollSchedule& Polls() const { return polls_; }
    const ChannelPipeline& Channels() const { return channels_; }
    uint8_t QuietPeriod() const { return quietPeriod_; }
    uint8_t CommandGuard() const { return commandGuard_; }
    bool StartupPhase() const { return startupPhase_; }

  private:
    template <typename Block, std::size_t N>
    void FillHostBlock(Block& block);
    void WriteToGauges(std::span<const uint8_t> frame);
    void CreateControlWindow();
    void ShowControlWindow();
    void ShowLinkLost();
    void CountAndShowStatus();
    void SendPollsAndCommands();
    void RefreshSettingsControls();
    void Reconnect();
    void ChangeRange(uint8_t& setting, const RangeControls& state, bool fromCheckBox);
    void ShowPanelChange();
    void Trace(const std::string& line);
    void TraceLineCounts();

    // Named parts, each with its own state.
    LinkSupervisor link_;
    PollSchedule polls_;
    ChannelPipeline channels_;
    SettingsStore settings_;

    // The platform.
    Notifier* notices_;
    WindowHost* window_;
    ControlView* view_;

    // The control window.
    bool windowExists_ = false;
    int commandItem_ = 2;  // the command list's selection

    // The tick's own state.
    uint8_t quietPeriod_ = 0;   // ticks after a command in which nothing is decoded
    uint8_t commandGuard_ = 0;  // ticks until the next broadcast may go out
    bool startupPhase_ = false;
    bool tickBusy_ = false;
    uint8_t tickBusyTicks_ = 0;
    StatusCounters counters_;
    uint8_t traceDivider_ = 0;  // ticks to the next line of the trace's counts
    ControlPermissions enableFlags_;
};

}  // namespace vexla
