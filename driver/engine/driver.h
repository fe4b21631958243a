#pragma once
// The driver: every piece of its state in one object, and the operations of
// the receive path, the processing step, the hardware commands and the data
// interface. The library frame owns exactly one; tests make as many as they
// like. Nothing here touches the operating system.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "channels/channel_table.h"
#include "channels/host_layouts.h"
#include "channels/settings.h"
#include "channels/config_file.h"
#include "panel/control_panel.h"
#include "engine/host_services.h"
#include "engine/link_port.h"
#include "protocol/receive_ring.h"

namespace vexla {

// What the host lets the user do in the control window (EnableCtrls).
struct ControlPermissions {
    uint8_t Command = 1;
    uint8_t Zero = 1;
    uint8_t Setup = 1;
};

inline constexpr uint8_t kWatchdogAfterReceive = 12;
inline constexpr uint8_t kWatchdogAfterOpen = 22;
inline constexpr uint8_t kWatchdogReopenAt = 2;
inline constexpr uint8_t kQuietPeriodAfterCommand = 20;
inline constexpr uint8_t kCommandGuardTicks = 2;
inline constexpr uint8_t kAliveAfterFrame = 10;
inline constexpr uint8_t kAliveAtConnect = 3;
inline constexpr uint8_t kPollPacingTicks = 10;
inline constexpr uint8_t kHoldTicks = 40;
inline constexpr int32_t kSlowestLineSpeed = 1200;

// Fixed-point text of the value display: prefix, "%*.*f" of scaled /
// 10^decimals, suffix.
std::string FixedPointText(int64_t scaled, int decimals, std::size_t width, std::string_view prefix = {},
                           std::string_view suffix = {});

// The four counters of the status page, each modulo 10000.
struct StatusCounters {
    uint16_t Ticks = 0;
    uint16_t TicksWithData = 0;
    uint16_t TicksWithSearch = 0;
};

class Driver {
public:
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
    void ShowChannelRow(unsigned i);

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
    void SpBtnSendCmdClick();
    void SpBtnZeroClick();
    void SPComSendDataEmpty();
    void FormClose();
    bool QueryEndSession();

    // ---- seams to the platform; not owned, null where a test needs none
    LinkPort* Port = nullptr;
    Notifier* Notices = nullptr;
    WindowHost* Window = nullptr;
    ConfigFile* Config = nullptr;

    // ---- state
    DriverSettings Settings;
    bool LinkOpen = false;
    int32_t PortInUse = 0;
    LinkSettings LineInUse;

    ReceiveRing Receive;
    bool NewDataFlag = false;  // a receive event happened since the last decode
    bool ScanFlag = false;     // the decoder searched (status counter)
    std::array<uint8_t, kChannels> AliveCount{};
    std::array<uint8_t, kChannels> PendingCommand{};  // 0 or k = code + 8
    uint8_t ReceiveWatchdog = 0;
    uint8_t QuietPeriod = 0;
    uint8_t CommandGuard = 0;
    bool StartupPhase = false;
    uint8_t PollPacing = 0;
    uint8_t PollCursor = 0;
    uint8_t ProbeAddress = 0;
    uint8_t ChannelZeroDivider = 0;
    bool TickBusy = false;
    uint8_t TickBusyTicks = 0;
    StatusCounters Counters;
    std::array<uint8_t, kChannels> HoldCount{};
    bool LoadingGuard = false;

    TChannelTable Channels;
    ControlPermissions EnableFlags;
    ControlPanel Panel;

private:
    void WriteToGauges(std::span<const uint8_t> frame);
    void CreateControlWindow();
    void SuperviseLink();
    void CountAndShowStatus();
    void SendPollsAndCommands();
    void RefreshSettingsControls();
    void ReportConfigResult(const ConfigResult& result);
    void Reconnect();
    void ChangeRange(RangeControls& controls, uint8_t& setting, const RangeControls& state, bool fromCheckBox);
    void ShowPanelChange();
};

}  // namespace vexla
