// Opening and closing the link to the gauge network, and creating the
// control window on first use.

#include <cstdio>
#include <string>

#include "engine/driver.h"
#include "panel/channel_grid_texts.h"
#include "panel/driver_texts.h"

namespace vexla {
void Driver::CreateControlWindow() {
    TChannelTable& table = channels_.Table();
    const uint8_t segment = settings_.Values().SegmentNumber;
    table.EmptyRecord = TChannelRecord{};
    panel_ = ControlPanel{};
    panel_.Exists = true;
    if (window_ != nullptr) window_->CreateControlWindow();

    // What the window does as it is created: the tray icon, then show itself.
    panel_.TrayHint = std::string(texts::kTrayHintPrefix) + std::to_string(segment + 1);
    panel_.TrayVisible = true;
    panel_.Visible = true;

    panel_.Caption = std::string(texts::kStatusCaptions[2]);
    panel_.ComboBoxCmdIndex = 2;
    panel_.Left = panel_.Top = 0;

    const int u = kChannelGridWidth / 28;
    panel_.ChannelColumnWidths = {9 * u, 9 * u, 7 * u};
    panel_.ChannelRowHeight = kChannelGridHeight * 18 / 80;
    char segmentText[8];
    std::snprintf(segmentText, sizeof segmentText, "%03u", segment + 1u);
    panel_.ChannelGrid[0] = {std::string(segmentText) + std::string(texts::kSegmentHeadingSuffix),
                             std::string(texts::kValueHeading), std::string(texts::kRateHeading)};
    for (unsigned r = 1; r < kChannelGridRows; ++r) {
        holdCount_[r - 1] = 0;
        panel_.ChannelGrid[r] = {ChannelRowName(r, segment), std::string(texts::kValueNeverSeen),
                                 std::string(texts::kRateInitial)};
    }
    ShowPanelChange();
}

int32_t Driver::ConnectComm(int32_t baudRate, int16_t port) {
    DisConnectComm();

    TChannelTable& table = channels_.Table();
    polls_.ResetAtConnect();
    table.References.MarkAllCaptured();  // references from the file count as captured
    table.Boxes.Empty();

    if (!panel_.Exists) CreateControlWindow();

    panel_.StatusColumnWidths.fill(kStatusGridWidth * 7 / 29);
    for (unsigned c = 0; c < 4; ++c) panel_.StatusGrid[0][c] = std::string(texts::kStatusHeadings[c]);
    counters_ = StatusCounters{};
    table.Boxes.SubmitCount = 0;
    table.Averaging.DataSeen = false;
    channels_.TakeSearched();
    tickBusyTicks_ = 0;

    LoadOrSaveSettings(false);

    DriverSettings& settings = settings_.Values();
    link_.Close();
    const int32_t portNumber = settings.PortNumber > 0 ? settings.PortNumber : port;
    const int32_t speed = settings.BaudRate != 0 ? settings.BaudRate : baudRate;
    settings.BaudRate = speed;

    quietPeriod_ = 0;
    startupPhase_ = true;
    panel_.TimerEnabled = true;
    if (window_ != nullptr) window_->SetTimerEnabled(true);
    panel_.PanelLogoVisible = true;
    panel_.PageControlVisible = false;
    table.Averaging.Reset();
    if (settings.FilterDepth == 0) settings.FilterDepth = 10;
    const int32_t lineSpeed = speed < kSlowestLineSpeed ? kSlowestLineSpeed : speed;
    panel_.LabelSpeed = "串口：" + std::to_string(portNumber) + "  ，速度：" + std::to_string(lineSpeed) + " 波特率";
    panel_.Visible = true;
    ShowPanelChange();

    if (link_.Open(portNumber, speed)) {
        commandGuard_ = 0;
        channels_.ClearRing();
        return -1;
    }

    // The settings pages stay usable so that another port can be chosen.
    enableFlags_.Setup = 1;
    panel_.LabelSpeed = "串口 Com" + std::to_string(portNumber) + " 不能打开";
    if (notices_ != nullptr)
        notices_->ShowMessage("串口 Com" + std::to_string(portNumber) + " 已经被其它\r\n程序占用,不能打开");
    return 0;
}

void Driver::DisConnectComm() {
    if (!link_.Close()) return;
    panel_.TimerEnabled = false;
    if (window_ != nullptr) window_->SetTimerEnabled(false);
    FormClose();
}

void Driver::DLL_End_Application() {
    DisConnectComm();
    if (!panel_.Exists) return;
    panel_.TrayVisible = false;
    panel_.TimerEnabled = false;
    if (window_ != nullptr) {
        window_->SetTimerEnabled(false);
        window_->DestroyControlWindow();
    }
    // A later connect starts afresh with a new window.
    panel_ = ControlPanel{};
}

void Driver::ShowPanelChange() {
    if (window_ != nullptr) window_->PanelChanged();
}

}  // namespace vexla
