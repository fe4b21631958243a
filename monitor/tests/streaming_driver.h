#pragma once
// A driver for the monitor's benchmarks: every fetch hands out a new value,
// displacement and rate for all 32 channels, the most a tick can change.

#include <cstdint>

#include "model/monitor_driver.h"

namespace vexla::monitor::testing {

class StreamingDriver : public MonitorDriver {
  public:
    using Formatter = void (*)(int32_t value, uint8_t decimals, char* buffer, uint8_t length);
    explicit StreamingDriver(Formatter format) : format_(format) {}

    void SetNetSegment(uint32_t) override {}
    void GetReFlashRate32(int32_t* rates32) override {
        for (int c = 0; c < 32; ++c) rates32[c] = 10 + (round_ + c) % 190;
    }
    void GetNewData32Ch(VexlaDataBlock32* block) override {
        ++round_;
        for (int c = 0; c < 32; ++c) {
            block->value[c] = 123456 + round_ * 37 + c * 1001;
            block->displacement[c] = -4567 + round_ * 13 - c * 77;
            block->updated[c] = -1;
        }
    }
    void Long2String(int32_t value, uint8_t decimals, char* buffer, uint8_t length) override {
        format_(value, decimals, buffer, length);
    }
    void SetDataZero() override {}
    void SetDataZeroCh(uint32_t) override {}
    void SetHardWareZeroCh(uint32_t) override {}
    void CtrlFirmWare(uint8_t) override {}
    void ShowCtrlForm() override {}
    void HideCtrlForm() override {}
    void DLL_End_Application() override {}

  private:
    Formatter format_;
    int32_t round_ = 0;
};

}  // namespace vexla::monitor::testing
