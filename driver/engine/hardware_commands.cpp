// Commands that switch the gauges' state or zero them in hardware. Broadcast
// formats write at once; polled formats queue per live channel for the timer.

#include "protocol/data_format.h"
#include "protocol/command_frames.h"
#include "engine/driver.h"

namespace vexla {

void Driver::CtrlFirmWare(uint8_t code) {
    if (!LinkOpen || QuietPeriod > 0) return;
    QuietPeriod = kQuietPeriodAfterCommand;
    Panel.SpBtnSendCmdEnabled = false;
    SendCommand(code);
}

void Driver::SetHardWareZero() {
    if (!LinkOpen) return;
    Settings.ResetOnConnect = 0;
    CtrlFirmWare(kHardwareZeroCode);
}

void Driver::SendCommand(uint8_t code) {
    if (!IsSendableCommand(code)) return;
    const uint8_t format = Settings.DataFormat;
    if (format == kFormatPolledGeneral || format == kFormatWireless) {
        for (unsigned ch = 0; ch < kChannels; ++ch)
            if (AliveCount[ch] != 0) PendingCommand[ch] = CommandK(code);
        return;
    }
    if (!LinkOpen || CommandGuard != 0) return;
    if (format == kFormatPushedGeneral)
        WriteToGauges(ShortBroadcastFrame(code));
    else
        WriteToGauges(LongBroadcastFrame(code));
    CommandGuard = kCommandGuardTicks;
}

void Driver::SetHardWareZeroCh(uint8_t channel) {
    if (channel >= kChannels) return;
    const uint8_t format = Settings.DataFormat;
    if (format == kFormatBlock || format == kFormatText) return;  // no per-channel command
    if ((format == kFormatPolledGeneral || format == kFormatWireless) && AliveCount[channel] == 0) return;
    PendingCommand[channel] = CommandK(kHardwareZeroCode);
}

void Driver::WriteToGauges(std::span<const uint8_t> frame) {
    // A refused write is dropped like any other failed command.
    if (Port != nullptr) Port->QueueWrite(frame);
}

}  // namespace vexla
