#pragma once
// What the monitor asks of the driver: the eleven exports it calls, behind
// one interface, so that the model runs against the real library (Windows:
// imported at load time; Linux: bound with dlsym) and against a recorder in
// the tests.

#include <cstdint>

#include "vexla.h"

namespace vexla::monitor {

class MonitorDriver {
  public:
    virtual ~MonitorDriver() = default;
    virtual void SetNetSegment(uint32_t segment) = 0;
    virtual void GetReFlashRate32(int32_t* rates32) = 0;
    virtual void GetNewData32Ch(VexlaDataBlock32* block) = 0;
    virtual void Long2String(int32_t value, uint8_t decimals, char* buffer, uint8_t length) = 0;
    virtual void SetDataZero() = 0;
    virtual void SetDataZeroCh(uint32_t channel) = 0;
    virtual void SetHardWareZeroCh(uint32_t channel) = 0;
    virtual void CtrlFirmWare(uint8_t code) = 0;
    virtual void ShowCtrlForm() = 0;
    virtual void HideCtrlForm() = 0;
    virtual void DLL_End_Application() = 0;
};

// The exports as function pointers, however the program found them.
struct DriverExports {
    decltype(&::SetNetSegment) SetNetSegment = nullptr;
    decltype(&::GetReFlashRate32) GetReFlashRate32 = nullptr;
    decltype(&::GetNewData32Ch) GetNewData32Ch = nullptr;
    decltype(&::Long2String) Long2String = nullptr;
    decltype(&::SetDataZero) SetDataZero = nullptr;
    decltype(&::SetDataZeroCh) SetDataZeroCh = nullptr;
    decltype(&::SetHardWareZeroCh) SetHardWareZeroCh = nullptr;
    decltype(&::CtrlFirmWare) CtrlFirmWare = nullptr;
    decltype(&::ShowCtrlForm) ShowCtrlForm = nullptr;
    decltype(&::HideCtrlForm) HideCtrlForm = nullptr;
    decltype(&::DLL_End_Application) DLL_End_Application = nullptr;

    // The name of the first export that is missing, or null when all are there.
    const char* FirstMissing() const;
};

// Calls the exports of a complete table.
class ExportedDriver final : public MonitorDriver {
  public:
    explicit ExportedDriver(const DriverExports& exports) : x_(exports) {}
    void SetNetSegment(uint32_t segment) override { x_.SetNetSegment(segment); }
    void GetReFlashRate32(int32_t* rates32) override { x_.GetReFlashRate32(rates32); }
    void GetNewData32Ch(VexlaDataBlock32* block) override { x_.GetNewData32Ch(block); }
    void Long2String(int32_t value, uint8_t decimals, char* buffer, uint8_t length) override {
        x_.Long2String(value, decimals, buffer, length);
    }
    void SetDataZero() override { x_.SetDataZero(); }
    void SetDataZeroCh(uint32_t channel) override { x_.SetDataZeroCh(channel); }
    void SetHardWareZeroCh(uint32_t channel) override { x_.SetHardWareZeroCh(channel); }
    void CtrlFirmWare(uint8_t code) override { x_.CtrlFirmWare(code); }
    void ShowCtrlForm() override { x_.ShowCtrlForm(); }
    void HideCtrlForm() override { x_.HideCtrlForm(); }
    void DLL_End_Application() override { x_.DLL_End_Application(); }

  private:
    DriverExports x_;
};

}  // namespace vexla::monitor
