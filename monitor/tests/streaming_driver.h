#pragma once
// A driver for the monitor's benchmarks: every fetch hands out a new value,
// displacement and rate for all 32 channels, the most a tick can change.

#include <cstdint>

#include "monitor/model/monitor_exports.h"

namespace vexla::monitor::testing {

class StreamingDriver : public host::DriverCalls {
  public:
    using Formatter = void (*)(int32_t value, uint32_t decimals, char* buffer, uint32_t length);
    explicit StreamingDriver(Formatter format) : format_(format) {}

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
    void Long2String(int32_t value, uint32_t decimals, char* buffer, uint32_t length) override {
        format_(value, decimals, buffer, length);
    }

  private:
    Formatter format_;
    int32_t round_ = 0;
};

}  // namespace vexla::monitor::testing
