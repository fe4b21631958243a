// Opening and closing the link to the gauge network, and creating the
// control window on first use.

#include <string>

#include "engine/driver.h"
#include "engine/notice_texts.h"

namespace vexla {

void Driver::CreateControlWindow() {
    channels_.Table().EmptyRecord = TChannelRecord{};
    windowExists_ = true;
    commandItem_ = 2;
    if (view_ != nullptr) view_->Created(settings_.Values().SegmentNumber);
    if (window_ != nullptr) window_->CreateControlWindow();
    ShowPanelChange();
}

int32_t Driver::ConnectComm(int32_t baudRate, int16_t port) {
    DisConnectComm();

    TChannelTable& table = channels_.Table();
    polls_.ResetAtConnect();
    table.References.MarkAllCaptured();  // references from the file count as captured
    table.Boxes.Empty();

    if (!windowExists_) CreateControlWindow();

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
    if (view_ != nullptr) view_->TimerSwitched(true);
    if (window_ != nullptr) window_->SetTimerEnabled(true);
    table.Averaging.Reset();
    if (settings.FilterDepth == 0) settings.FilterDepth = 10;
    const int32_t lineSpeed = LineSpeedFor(speed);
    if (view_ != nullptr) view_->Connecting(portNumber, lineSpeed);
    ShowPanelChange();

    if (link_.Open(portNumber, speed)) {
        commandGuard_ = 0;
        channels_.ClearRing();
        channels_.TakeLineCounts();
        traceDivider_ = 0;
        Trace("connect: COM" + std::to_string(portNumber) + " at " + std::to_string(link_.LineInUse().BaudRate) +
              " baud, data format " + std::to_string(settings.DataFormat) + ", segment " +
              std::to_string(settings.SegmentNumber) + ", averaging depth " + std::to_string(settings.FilterDepth) +
              DescribeRefusedSettings(link_.LastOpen()));
        return -1;
    }
    Trace("connect: COM" + std::to_string(portNumber) + " did not open: " + DescribeFailure(link_.LastOpen()));

    // The settings pages stay usable so that another port can be chosen.
    enableFlags_.Setup = 1;
    if (view_ != nullptr) view_->PortUnavailable(portNumber);
    if (notices_ != nullptr) notices_->ShowMessage(texts::PortTakenMessage(portNumber));
    return 0;
}

void Driver::DisConnectComm() {
    if (!link_.Close()) return;
    Trace("disconnect: COM" + std::to_string(link_.PortInUse()));
    if (view_ != nullptr) view_->TimerSwitched(false);
    if (window_ != nullptr) window_->SetTimerEnabled(false);
    FormClose();
}

void Driver::DLL_End_Application() {
    DisConnectComm();
    if (!windowExists_) return;
    if (window_ != nullptr) {
        window_->SetTimerEnabled(false);
        window_->DestroyControlWindow();
    }
    // A later connect starts afresh with a new window.
    windowExists_ = false;
    if (view_ != nullptr) view_->Destroyed();
}

void Driver::Trace(const std::string& line) {
    if (notices_ != nullptr) notices_->Trace(line);
}

void Driver::ShowPanelChange() {
    if (window_ != nullptr) window_->PanelChanged();
}

}  // namespace vexla
