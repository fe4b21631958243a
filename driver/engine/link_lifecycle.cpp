// Opening and closing the link to the gauge network, and creating the
// control window on first use.

#include <cstdio>
#include <string>

#include "engine/driver.h"
#include "panel/driver_texts.h"

namespace vexla {
namespace {

std::string ChannelRowName(unsigned row, uint8_t segment) {
    char bracket[16];
    std::snprintf(bracket, sizeof bracket, "[%4u]", segment * 32u + row);
    return std::string(row < 10 ? "  " : " ") + std::to_string(row) + "   " + bracket;
}

}  // namespace

void Driver::CreateControlWindow() {
    Channels.EmptyRecord = TChannelRecord{};
    Panel = ControlPanel{};
    Panel.Exists = true;
    if (Window != nullptr) Window->CreateControlWindow();

    // What the window does as it is created: the tray icon, then show itself.
    Panel.TrayHint = std::string(texts::kTrayHintPrefix) + std::to_string(Settings.SegmentNumber + 1);
    Panel.TrayVisible = true;
    Panel.Visible = true;

    Panel.Caption = std::string(texts::kStatusCaptions[2]);
    Panel.ComboBoxCmdIndex = 2;
    Panel.Left = Panel.Top = 0;

    const int u = kChannelGridWidth / 28;
    Panel.ChannelColumnWidths = {9 * u, 9 * u, 7 * u};
    Panel.ChannelRowHeight = kChannelGridHeight * 18 / 80;
    char segment[8];
    std::snprintf(segment, sizeof segment, "%03u", Settings.SegmentNumber + 1u);
    Panel.ChannelGrid[0] = {std::string(segment) + std::string(texts::kSegmentHeadingSuffix),
                            std::string(texts::kValueHeading), std::string(texts::kRateHeading)};
    for (unsigned r = 1; r < kChannelGridRows; ++r) {
        HoldCount[r - 1] = 0;
        Panel.ChannelGrid[r] = {ChannelRowName(r, Settings.SegmentNumber), std::string(texts::kValueNeverSeen),
                                std::string(texts::kRateInitial)};
    }
    ShowPanelChange();
}

int32_t Driver::ConnectComm(int32_t baudRate, int16_t port) {
    DisConnectComm();

    AliveCount.fill(kAliveAtConnect);
    PendingCommand.fill(0);
    Channels.References.MarkAllCaptured();  // references from the file count as captured
    Channels.Boxes.Empty();

    if (!Panel.Exists) CreateControlWindow();

    Panel.StatusColumnWidths.fill(kStatusGridWidth * 7 / 29);
    for (unsigned c = 0; c < 4; ++c) Panel.StatusGrid[0][c] = std::string(texts::kStatusHeadings[c]);
    Counters = StatusCounters{};
    Channels.Boxes.SubmitCount = 0;
    Channels.Averaging.DataSeen = false;
    ScanFlag = false;
    TickBusyTicks = 0;

    LoadOrSaveSettings(false);

    if (LinkOpen) {
        if (Port != nullptr) Port->Close();
        LinkOpen = false;
    }
    const int32_t portNumber = Settings.PortNumber > 0 ? Settings.PortNumber : port;
    PortInUse = portNumber;
    const int32_t speed = Settings.BaudRate != 0 ? Settings.BaudRate : baudRate;
    Settings.BaudRate = speed;
    LineInUse = {portNumber, speed < kSlowestLineSpeed ? kSlowestLineSpeed : speed};

    QuietPeriod = 0;
    StartupPhase = true;
    Panel.TimerEnabled = true;
    if (Window != nullptr) Window->SetTimerEnabled(true);
    Panel.PanelLogoVisible = true;
    Panel.PageControlVisible = false;
    Channels.Averaging.Reset();
    if (Settings.FilterDepth == 0) Settings.FilterDepth = 10;
    Panel.LabelSpeed = "串口：" + std::to_string(portNumber) + "  ，速度：" + std::to_string(LineInUse.BaudRate) + " 波特率";
    Panel.Visible = true;
    ShowPanelChange();

    if (Port != nullptr && Port->Open(LineInUse)) {
        CommandGuard = 0;
        Receive.Clear();
        ReceiveWatchdog = kWatchdogAfterOpen;
        LinkOpen = true;
        return -1;
    }

    // The settings pages stay usable so that another port can be chosen.
    EnableFlags.Setup = 1;
    LinkOpen = false;
    if (Port != nullptr) Port->Close();
    Panel.LabelSpeed = "串口 Com" + std::to_string(portNumber) + " 不能打开";
    ReceiveWatchdog = 1;
    if (Notices != nullptr)
        Notices->ShowMessage("串口 Com" + std::to_string(portNumber) + " 已经被其它\r\n程序占用,不能打开");
    return 0;
}

void Driver::DisConnectComm() {
    if (!LinkOpen) return;
    ReceiveWatchdog = 1;
    if (Port != nullptr) Port->Close();
    LinkOpen = false;
    Panel.TimerEnabled = false;
    if (Window != nullptr) Window->SetTimerEnabled(false);
    FormClose();
}

void Driver::DLL_End_Application() {
    DisConnectComm();
    if (!Panel.Exists) return;
    Panel.TrayVisible = false;
    Panel.TimerEnabled = false;
    if (Window != nullptr) {
        Window->SetTimerEnabled(false);
        Window->DestroyControlWindow();
    }
    // A later connect starts afresh with a new window.
    Panel = ControlPanel{};
}

void Driver::ShowPanelChange() {
    if (Window != nullptr) Window->PanelChanged();
}

}  // namespace vexla
