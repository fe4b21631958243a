#include "channels/result_boxes.h"

#include <utility>

#include "channels/channel_range.h"

namespace vexla {

bool ResultBoxes::Deposit(const TChannelRecord& averaged, const std::array<int32_t, kChannels>& rates) {
    for (ResultBox* box : {&ResultBox1, &ResultBox2}) {
        if (box->Full) continue;
        box->Record = averaged;
        box->Rates = rates;
        box->Full = true;
        box->Order = ++Deposits;
        return true;
    }
    return false;
}

TChannelRecord ResultBoxes::TakeResult(const TChannelRecord& empty, uint8_t timesTenRange, uint8_t invertRange) {
    SubmitCount = static_cast<uint16_t>((SubmitCount + 1) % 10000);
    ResultBox* box = Oldest();
    if (box == nullptr) return empty;
    box->Full = false;
    TChannelRecord r = box->Record;
    for (unsigned i = 0; i < kChannels; ++i) {
        // Unsigned arithmetic gives the 32-bit wrap-around hosts have always seen.
        uint32_t factor = RangeFactor(timesTenRange, i) ? 10 : 1;
        if (RangeFactor(invertRange, i)) factor = 0u - factor;
        r.Value[i] = static_cast<int32_t>(static_cast<uint32_t>(r.Value[i]) * factor);
        r.Displacement[i] = static_cast<int32_t>(static_cast<uint32_t>(r.Displacement[i]) * factor);
    }
    return r;
}

const std::array<int32_t, kChannels>* ResultBoxes::WaitingRates() const {
    const ResultBox* box = Oldest();
    return box != nullptr ? &box->Rates : nullptr;
}

const ResultBox* ResultBoxes::Oldest() const {
    if (ResultBox1.Full && ResultBox2.Full)
        // The difference stays right when the count wraps round.
        return static_cast<int32_t>(ResultBox2.Order - ResultBox1.Order) < 0 ? &ResultBox2 : &ResultBox1;
    if (ResultBox1.Full) return &ResultBox1;
    if (ResultBox2.Full) return &ResultBox2;
    return nullptr;
}

ResultBox* ResultBoxes::Oldest() {
    return const_cast<ResultBox*>(std::as_const(*this).Oldest());
}

}  // namespace vexla
