// The receive event and the processing step that runs on every timer tick.

#include "engine/driver.h"

namespace vexla {

void Driver::SPComReceiveData(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return;
    ReceiveWatchdog = kWatchdogAfterReceive;
    if (Settings.ResetOnConnect) {
        // The first data after connecting only trigger the hardware zero;
        // the gauges' readings are about to jump, so these bytes are dropped.
        Settings.ResetOnConnect = 0;
        QuietPeriod = 0;
        SetHardWareZero();
        return;
    }
    NewDataFlag = true;
    Receive.Append(bytes);
}

void Driver::ProcessTick() {
    AveragingRing& averaging = Channels.Averaging;
    const unsigned slot = averaging.ReserveSlot(Settings.FilterDepth);
    averaging.Ring[slot] = DecodeFrames();
    // A channel that captured a new reference point has it written at once.
    if (Channels.References.SavePending) SaveReferences();
    averaging.Average(slot, Channels.References.RelativeMode != 0);
    if (Panel.Exists)
        for (unsigned i = 0; i < kChannels; ++i) ShowChannelRow(i);
    Channels.Boxes.Deposit(averaging.Averaged, averaging.Rates);
}

}  // namespace vexla
