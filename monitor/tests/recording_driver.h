#pragma once
// A driver for the model's tests: records every call as text and formats
// numbers with the real library's Long2String.

#include <array>
#include <string>
#include <vector>

#include "monitor/model/monitor_exports.h"

namespace vexla::monitor::testing {

class RecordingDriver : public host::DriverCalls {
  public:
    int32_t SetNetSegment(uint32_t segment) override {
        Record("SetNetSegment(" + std::to_string(segment) + ")");
        return -1;
    }
    void GetReFlashRate32(int32_t* rates32) override {
        Record("GetReFlashRate32");
        std::copy(rates.begin(), rates.end(), rates32);
    }
    void GetNewData32Ch(VexlaDataBlock32* block) override {
        Record("GetNewData32Ch");
        *block = data;
    }
    void Long2String(int32_t value, uint32_t decimals, char* buffer, uint32_t length) override {
        ::Long2String(value, decimals, buffer, length);
        lastLength = static_cast<uint8_t>(length);
    }
    void SetDataZero() override { Record("SetDataZero"); }
    void SetDataZeroCh(uint32_t channel) override { Record("SetDataZeroCh(" + std::to_string(channel) + ")"); }
    void SetHardWareZeroCh(uint32_t channel) override { Record("SetHardWareZeroCh(" + std::to_string(channel) + ")"); }
    void CtrlFirmWare(uint32_t code) override { Record("CtrlFirmWare(" + std::to_string(code) + ")"); }
    void ShowCtrlForm() override { Record("ShowCtrlForm"); }
    void HideCtrlForm() override { Record("HideCtrlForm"); }
    void DLL_End_Application() override { Record("DLL_End_Application"); }

    std::vector<std::string> TakeCalls() { return std::exchange(calls, {}); }

    // What the next fetch hands out.
    std::array<int32_t, 32> rates{};
    VexlaDataBlock32 data{};
    uint8_t lastLength = 0;
    std::vector<std::string> calls;

  private:
    void Record(std::string call) { calls.push_back(std::move(call)); }
};

}  // namespace vexla::monitor::testing
