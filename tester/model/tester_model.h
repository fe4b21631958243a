#pragma once
// The test program as data: the 96 boxes (display value, displacement and
// rate of each channel), the update counters, and what the buttons send.
// The Windows window and the Linux console host both run on it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/driver_calls.h"

namespace vexla::tester {

inline constexpr int kChannels = 32;
inline constexpr int kBoxes = 3 * kChannels;
inline constexpr int kCounterModulus = 10000;
// The text buffer of Long2String: twelve characters and the terminating zero.
inline constexpr uint8_t kValueBufferSize = 13;

// Box 3 × i shows channel i's display value, 3 × i + 1 its displacement,
// 3 × i + 2 its rate and update count.
inline constexpr int ValueBox(int channel) {
    return 3 * channel;
}
inline constexpr int DisplacementBox(int channel) {
    return 3 * channel + 1;
}
inline constexpr int RateBox(int channel) {
    return 3 * channel + 2;
}

// "[0012]": the count in four digits.
std::string CounterText(int count);
// " 5.3次/秒[0012]", "12.0次/秒[0012]", "数据脱离 [0012]"; nothing (the box
// keeps its text) for a negative rate.
std::optional<std::string> RateText(int32_t rate, int count);
// Long2String's twelve characters (or its all-"*" text) and " mm".
std::string ValueText(host::DriverCalls& driver, int32_t value, uint8_t decimals);

// The boxes one tick changed.
struct ChangedBoxes {
    std::array<int, kBoxes> boxes{};
    int count = 0;
    const int* begin() const { return boxes.data(); }
    const int* end() const { return boxes.data() + count; }
    bool empty() const { return count == 0; }
};

class TesterModel {
  public:
    static constexpr int kTimerIntervalMs = 50;

    explicit TesterModel(host::DriverCalls& driver);

    // Load: dashes in every box, counters at 0, the driver window's switches on.
    void Load();
    // One tick: the rates, then the data, then the boxes that change.
    ChangedBoxes Timer1Timer();
    ChangedBoxes Refresh(const std::array<int32_t, kChannels>& rates, const VexlaDataBlock32& block);
    void Command1() { driver_.SetDataZero(); }
    void Command2() { driver_.SetHardWareZero(); }
    // The two channel buttons with the text of the box beside them.
    void Command3(std::string_view channelText);
    void Command4(std::string_view channelText);
    void Unload() { driver_.DLL_End_Application(); }

    // "千分表" selected: four decimals, else three.
    void SetThousandth(bool thousandth) { thousandth_ = thousandth; }
    bool Thousandth() const { return thousandth_; }
    uint8_t Decimals() const { return thousandth_ ? 4 : 3; }

    const std::string& Box(int index) const;
    int UpdateCount(int channel) const { return updateCount_.at(static_cast<std::size_t>(channel)); }

  private:
    void SetBox(int index, std::string text, ChangedBoxes& changed);

    host::DriverCalls& driver_;
    std::array<std::string, kBoxes> boxes_;
    std::array<int16_t, kChannels> updateCount_{};
    bool thousandth_ = false;
};

}  // namespace vexla::tester
