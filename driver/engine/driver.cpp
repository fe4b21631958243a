// The driver's parts put together; the receive event, the decode pass and
// the processing step that runs on every timer tick.

#include "engine/driver.h"

namespace vexla {

Driver::Driver(const DriverSeams& seams)
    : link_(seams.Port),
      settings_(seams.Config, seams.Notices),
      notices_(seams.Notices),
      window_(seams.Window),
      view_(seams.View) {}

void Driver::SPComReceiveData(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return;
    link_.BytesReceived();
    DriverSettings& settings = settings_.Values();
    if (settings.ResetOnConnect) {
        // The first data after connecting only trigger the hardware zero;
        // the gauges' readings are about to jump, so these bytes are dropped.
        settings.ResetOnConnect = 0;
        quietPeriod_ = 0;
        SetHardWareZero();
        return;
    }
    channels_.Receive(bytes, settings.DataFormat);
}

TChannelRecord Driver::DecodeFrames() {
    if (!link_.IsOpen()) return channels_.Table().EmptyRecord;
    uint32_t answered = 0;
    const TChannelRecord record = channels_.Decode(settings_.Values().DataFormat, answered);
    for (unsigned ch = 0; answered != 0; ++ch, answered >>= 1)
        if (answered & 1) polls_.Refresh(ch);
    return record;
}

void Driver::ProcessTick() {
    TChannelTable& table = channels_.Table();
    AveragingRing& averaging = table.Averaging;
    const unsigned slot = averaging.ReserveSlot(settings_.Values().FilterDepth);
    averaging.Ring[slot] = DecodeFrames();
    // A channel that captured a new reference point has it written at once.
    if (table.References.SavePending) SaveReferences();
    averaging.Average(slot, table.References.RelativeMode != 0);
    if (windowExists_ && view_ != nullptr) view_->ChannelsProcessed(averaging, settings_.Values());
    table.Boxes.Deposit(averaging.Averaged, averaging.Rates);
}

}  // namespace vexla
