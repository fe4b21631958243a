// The 50 ms tick: link supervision, the quiet period after commands, the end
// of the start-up phase, the processing step, the status counters and the
// polls and queued commands of the active data format.

#include <string>

#include "engine/driver.h"
#include "protocol/command_frames.h"
#include "protocol/data_format.h"

namespace vexla {

void Driver::PopUpFormTimerTimer() {
    if (commandGuard_ > 0) --commandGuard_;

    switch (link_.Tick()) {
        case LinkSupervisor::Watch::Quiet:
            break;
        case LinkSupervisor::Watch::Reopened:
            Trace("watchdog: nothing from COM" + std::to_string(link_.PortInUse()) +
                  " for ten ticks; the port was closed and opened again" + DescribeRefusedSettings(link_.LastOpen()));
            return;
        case LinkSupervisor::Watch::Lost:
            Trace("watchdog: COM" + std::to_string(link_.PortInUse()) +
                  " could not be opened again, the link is closed: " + DescribeFailure(link_.LastOpen()));
            ShowLinkLost();
            return;
    }

    if (quietPeriod_ > 0) {
        --quietPeriod_;
        channels_.DropReceived();
    }

    if (quietPeriod_ == 0 && startupPhase_) {
        startupPhase_ = false;
        if (view_ != nullptr) view_->StartupEnded();
        // Shown, not raised: the user may have gone on working elsewhere
        // since the connect brought the window up.
        if (settings_.Values().ShowCtrlWindow)
            ShowControlWindow();
        else
            HideCtrlForm();
    }

    if (view_ != nullptr)
        view_->Permissions(quietPeriod_ == 0 && link_.IsOpen() && enableFlags_.Command != 0, enableFlags_.Zero != 0,
                           enableFlags_.Setup != 0);

    if (!startupPhase_ && !tickBusy_) {
        // A message box further down can pump this timer again; the guard
        // keeps the processing step from running inside itself.
        tickBusy_ = true;
        ProcessTick();
        tickBusy_ = false;
        tickBusyTicks_ = 0;
    } else if (tickBusy_) {
        if (++tickBusyTicks_ > 2) {
            tickBusy_ = false;
            tickBusyTicks_ = 0;
        }
    }

    CountAndShowStatus();
    SendPollsAndCommands();
    TraceLineCounts();
}

// Once a second while connected: what the line brought, channel by channel.
void Driver::TraceLineCounts() {
    if (!link_.IsOpen() || ++traceDivider_ < 20) return;
    traceDivider_ = 0;
    const auto counts = channels_.TakeLineCounts();
    // Built by appends: GCC 12 at -O3 warns falsely about chains of +.
    std::string line = "line COM";
    line += std::to_string(link_.PortInUse());
    line += ": readings by channel";
    bool any = false;
    for (unsigned ch = 0; ch < kChannels; ++ch) {
        if (counts.accepted[ch] == 0) continue;
        line += ' ';
        line += std::to_string(ch + 1);
        line += ':';
        line += std::to_string(counts.accepted[ch]);
        any = true;
    }
    if (!any) line += " none";
    line += "; windows rejected ";
    line += std::to_string(counts.rejected);
    Trace(line);
}

// The silent port could not be opened again: the window comes up on the
// status page with the reason, and nothing is retried.
void Driver::ShowLinkLost() {
    if (view_ != nullptr) view_->PortLost(link_.PortInUse());
    ShowPanelChange();
    if (notices_ != nullptr) notices_->Beep();
}

void Driver::CountAndShowStatus() {
    auto count = [](uint16_t& c) { c = static_cast<uint16_t>((c + 1) % 10000); };
    TChannelTable& table = channels_.Table();
    if (table.Averaging.DataSeen) {
        table.Averaging.DataSeen = false;
        count(counters_.TicksWithData);
    }
    if (channels_.TakeSearched()) count(counters_.TicksWithSearch);
    count(counters_.Ticks);
    if (view_ != nullptr) view_->StatusCounted(counters_, table.Boxes.SubmitCount);
}

void Driver::SendPollsAndCommands() {
    const uint8_t format = settings_.Values().DataFormat;
    if (format == kFormatPushedGeneral) {
        ChannelZeroStep();
        return;
    }
    if (format != kFormatPolledGeneral && format != kFormatWireless) return;  // the gauges push
    if (const auto frame = polls_.NextWrite(format)) WriteToGauges(frame->Bytes());
}

uint8_t Driver::NextPollAddress() {
    return polls_.NextPollAddress(settings_.Values().DataFormat == kFormatWireless);
}

void Driver::ChannelZeroStep() {
    const auto channel = polls_.ChannelZeroStep();
    if (!channel || !link_.IsOpen() || commandGuard_ != 0) return;
    WriteToGauges(ChannelZeroFrame(*channel));
    commandGuard_ = kCommandGuardTicks;
}

}  // namespace vexla
