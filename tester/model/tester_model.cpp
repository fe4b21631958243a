#include "tester/model/tester_model.h"

#include <utility>

#include "tester/model/basic_number.h"
#include "tester/model/tester_texts.h"

namespace vexla::tester {

std::string CounterText(int count) {
    std::string text = "[";
    if (count < 1000) text += '0';
    if (count < 100) text += '0';
    if (count < 10) text += '0';
    text += std::to_string(count);
    text += ']';
    return text;
}

std::optional<std::string> RateText(int32_t rate, int count) {
    if (rate < 0) return std::nullopt;
    std::string text;
    if (rate == 0) {
        text = texts::kDataLost;
    } else {
        const int32_t whole = rate / 10;
        if (whole <= 9) text += ' ';
        text += std::to_string(whole);
        text += '.';
        text += std::to_string(rate % 10);
        text += texts::kRateUnit;
    }
    text += CounterText(count);
    return text;
}

std::string ValueText(host::DriverCalls& driver, int32_t value, uint8_t decimals) {
    // One byte more than the driver is told: its all-"*" text fills the
    // whole buffer without a terminator, and the zero behind it ends the text.
    std::array<char, kValueBufferSize + 1> buffer{};
    driver.Long2String(value, decimals, buffer.data(), kValueBufferSize);
    std::string text(buffer.data());
    text += texts::kMillimetres;
    return text;
}

TesterModel::TesterModel(host::DriverCalls& driver) : driver_(driver) {
    boxes_.fill(std::string(texts::kNoValueYet));
}

void TesterModel::Load() {
    boxes_.fill(std::string(texts::kNoValueYet));
    updateCount_.fill(0);
    driver_.EnableCtrls(1, 1, 1);
}

ChangedBoxes TesterModel::Timer1Timer() {
    // The rates first: they belong to the result the data call then takes.
    std::array<int32_t, kChannels> rates{};
    driver_.GetReFlashRate32(rates.data());
    VexlaDataBlock32 block{};
    driver_.GetNewData32Ch(&block);
    return Refresh(rates, block);
}

ChangedBoxes TesterModel::Refresh(const std::array<int32_t, kChannels>& rates, const VexlaDataBlock32& block) {
    ChangedBoxes changed;
    const uint8_t decimals = Decimals();
    for (int i = 0; i < kChannels; ++i) {
        auto& count = updateCount_[static_cast<std::size_t>(i)];
        if (block.updated[i] != 0) {
            SetBox(ValueBox(i), ValueText(driver_, block.value[i], decimals), changed);
            SetBox(DisplacementBox(i), ValueText(driver_, block.displacement[i], decimals), changed);
            count = static_cast<int16_t>((count + 1) % kCounterModulus);
        }
        if (auto rate = RateText(rates[static_cast<std::size_t>(i)], count))
            SetBox(RateBox(i), std::move(*rate), changed);
    }
    return changed;
}

void TesterModel::Command3(std::string_view channelText) {
    if (const auto channel = ChannelIndexFromText(channelText)) driver_.SetDataZeroCh(static_cast<uint8_t>(*channel));
}

void TesterModel::Command4(std::string_view channelText) {
    if (const auto channel = ChannelIndexFromText(channelText))
        driver_.SetHardWareZeroCh(static_cast<uint8_t>(*channel));
}

const std::string& TesterModel::Box(int index) const {
    static const std::string kNone;
    if (index < 0 || index >= kBoxes) return kNone;
    return boxes_[static_cast<std::size_t>(index)];
}

void TesterModel::SetBox(int index, std::string text, ChangedBoxes& changed) {
    std::string& box = boxes_[static_cast<std::size_t>(index)];
    if (box == text) return;
    box = std::move(text);
    changed.boxes[static_cast<std::size_t>(changed.count++)] = index;
}

}  // namespace vexla::tester
