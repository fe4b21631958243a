// The 50 ms tick: link supervision, the quiet period after commands, the end
// of the start-up phase, the processing step, the status counters and the
// polls and queued commands of the active data format.

#include <string>

#include "protocol/data_format.h"
#include "protocol/command_frames.h"
#include "engine/driver.h"
#include "panel/driver_texts.h"

namespace vexla {

void Driver::PopUpFormTimerTimer() {
    if (CommandGuard > 0) --CommandGuard;

    if (LinkOpen) {
        if (ReceiveWatchdog > 0) --ReceiveWatchdog;
        if (ReceiveWatchdog == kWatchdogReopenAt) {
            SuperviseLink();
            return;
        }
    }

    if (QuietPeriod > 0) {
        --QuietPeriod;
        Receive.Clear();
        NewDataFlag = false;
    }

    if (QuietPeriod == 0 && StartupPhase) {
        StartupPhase = false;
        Panel.PageControlLeft = Panel.PageControlTop = 0;
        Panel.PanelLogoVisible = false;
        Panel.PageControlVisible = true;
        Panel.ActivePage = 0;
        if (Settings.ShowCtrlWindow)
            ShowCtrlForm();
        else
            HideCtrlForm();
    }

    Panel.SpBtnSendCmdEnabled = QuietPeriod == 0 && LinkOpen && EnableFlags.Command != 0;
    Panel.SpBtnZeroEnabled = EnableFlags.Zero != 0;
    Panel.TabSheetSetupEnabled = Panel.TabSheetValueEnabled = EnableFlags.Setup != 0;

    if (!StartupPhase && !TickBusy) {
        // A message box further down can pump this timer again; the guard
        // keeps the processing step from running inside itself.
        TickBusy = true;
        ProcessTick();
        TickBusy = false;
        TickBusyTicks = 0;
    } else if (TickBusy) {
        if (++TickBusyTicks > 2) {
            TickBusy = false;
            TickBusyTicks = 0;
        }
    }

    CountAndShowStatus();
    SendPollsAndCommands();
}

// Ten ticks without a received byte: the port is closed and opened again.
void Driver::SuperviseLink() {
    if (Port != nullptr) Port->Close();
    if (Port != nullptr && Port->Open(LineInUse)) {
        ReceiveWatchdog = kWatchdogAfterOpen;
        return;
    }
    LinkOpen = false;
    Panel.LabelSpeed = "端口Com" + std::to_string(PortInUse) + "已经脱离";
    Panel.ActivePage = 1;
    Panel.Visible = true;
    ShowPanelChange();
    if (Notices != nullptr) Notices->Beep();
}

void Driver::CountAndShowStatus() {
    auto count = [](uint16_t& c) { c = static_cast<uint16_t>((c + 1) % 10000); };
    if (Channels.Averaging.DataSeen) {
        Channels.Averaging.DataSeen = false;
        count(Counters.TicksWithData);
    }
    if (ScanFlag) {
        ScanFlag = false;
        count(Counters.TicksWithSearch);
    }
    count(Counters.Ticks);
    if (Counters.Ticks % 40 == 0)
        Panel.Caption = std::string(texts::kStatusCaptions[(Counters.Ticks / 40) % 3]);
    Panel.StatusGrid[1] = {std::to_string(Channels.Boxes.SubmitCount), std::to_string(Counters.Ticks),
                           std::to_string(Counters.TicksWithData), std::to_string(Counters.TicksWithSearch)};
}

void Driver::SendPollsAndCommands() {
    const uint8_t format = Settings.DataFormat;
    if (format == kFormatPushedGeneral) {
        ChannelZeroStep();
        return;
    }
    if (format != kFormatPolledGeneral && format != kFormatWireless) return;  // the gauges push

    // A pending command silences the polls until the pacing has run down.
    for (unsigned ch = 0; ch < kChannels; ++ch) {
        if (PendingCommand[ch] == 0) continue;
        if (PollPacing > 0) {
            --PollPacing;
            return;
        }
        if (format == kFormatPolledGeneral) {
            WriteToGauges(GeneralCommandFrame(static_cast<uint8_t>(ch), PendingCommand[ch]));
            PendingCommand[ch] = 0;
        } else {
            WriteToGauges(WirelessCommandFrame(PendingCommand[ch]));  // heard by every gauge
            PendingCommand.fill(0);
        }
        return;
    }
    if (format == kFormatPolledGeneral) {
        const uint8_t poll = PollByte(NextPollAddress());
        WriteToGauges(std::span(&poll, 1));
    } else {
        WriteToGauges(WirelessPollFrame(NextPollAddress()));
    }
    PollPacing = kPollPacingTicks;
}

// Every live channel (or group of four in the wireless format) once per
// pass, in order; each pass ends with one probe of an address that may be
// silent, so a gauge that comes back is found again.
uint8_t Driver::NextPollAddress() {
    const bool wireless = Settings.DataFormat == kFormatWireless;
    const unsigned units = wireless ? 8 : 32;
    const unsigned probes = wireless ? 9 : 32;
    auto probe = [&] {
        ProbeAddress = static_cast<uint8_t>((ProbeAddress + 1) % probes);
        PollCursor = 0;
        return ProbeAddress;
    };
    if (PollCursor >= units) return probe();
    for (unsigned u = PollCursor; u < units; ++u) {
        const unsigned first = wireless ? 4 * u : u;
        const unsigned last = wireless ? first + 3 : first;
        bool alive = false;
        for (unsigned ch = first; ch <= last; ++ch) {
            if (AliveCount[ch] == 0) continue;
            --AliveCount[ch];
            alive = true;
        }
        if (alive) {
            PollCursor = static_cast<uint8_t>(u + 1);
            return static_cast<uint8_t>(u);
        }
    }
    return probe();
}

// Format 3: every ten ticks, the channel zero of the first pending live
// channel; pending entries passed over on the way are dropped.
void Driver::ChannelZeroStep() {
    if (++ChannelZeroDivider < 10) return;
    ChannelZeroDivider = 0;
    int selected = -1;
    for (unsigned ch = 0; ch < kChannels && selected < 0; ++ch) {
        if (PendingCommand[ch] == 0) continue;
        if (AliveCount[ch] != 0 && PendingCommand[ch] == CommandK(kHardwareZeroCode)) selected = static_cast<int>(ch);
        PendingCommand[ch] = 0;
    }
    if (selected < 0 || !LinkOpen || CommandGuard != 0) return;
    WriteToGauges(ChannelZeroFrame(static_cast<uint8_t>(selected)));
    CommandGuard = kCommandGuardTicks;
}

}  // namespace vexla
