// Commands that switch the gauges' state or zero them in hardware. Broadcast
// formats write at once; polled formats queue per live channel for the timer.

#include "engine/driver.h"
#include "protocol/command_frames.h"
#include "protocol/data_format.h"

namespace vexla {

void Driver::CtrlFirmWare(uint8_t code) {
    if (!link_.IsOpen() || quietPeriod_ > 0) return;
    quietPeriod_ = kQuietPeriodAfterCommand;
    if (view_ != nullptr) view_->CommandSent();
    SendCommand(code);
}

void Driver::SetHardWareZero() {
    if (!link_.IsOpen()) return;
    settings_.Values().ResetOnConnect = 0;
    CtrlFirmWare(kHardwareZeroCode);
}

void Driver::SendCommand(uint8_t code) {
    if (!IsSendableCommand(code)) return;
    const uint8_t format = settings_.Values().DataFormat;
    if (format == kFormatPolledGeneral || format == kFormatWireless) {
        polls_.QueueForLiveChannels(CommandK(code));
        return;
    }
    if (!link_.IsOpen() || commandGuard_ != 0) return;
    if (format == kFormatPushedGeneral)
        WriteToGauges(ShortBroadcastFrame(code));
    else
        WriteToGauges(LongBroadcastFrame(code));
    commandGuard_ = kCommandGuardTicks;
}

void Driver::SetHardWareZeroCh(uint8_t channel) {
    if (channel >= kChannels) return;
    const uint8_t format = settings_.Values().DataFormat;
    if (format == kFormatBlock || format == kFormatText) return;  // no per-channel command
    if ((format == kFormatPolledGeneral || format == kFormatWireless) && !polls_.IsLive(channel)) return;
    polls_.Queue(channel, CommandK(kHardwareZeroCode));
}

void Driver::WriteToGauges(std::span<const uint8_t> frame) {
    link_.Write(frame);
}

}  // namespace vexla
