#pragma once
// What the test program asks of the driver: the nine functions it calls
// (it declares ConnectComm and DisConnectComm too, and never calls them).

#include <cstdint>

#include "vexla.h"

namespace vexla::tester {

class TesterDriver {
  public:
    virtual ~TesterDriver() = default;
    virtual void GetNewData32Ch(VexlaDataBlock32* block) = 0;
    virtual void GetReFlashRate32(int32_t* rates32) = 0;
    virtual void EnableCtrls(uint8_t command, uint8_t zero, uint8_t setup) = 0;
    virtual void SetDataZero() = 0;
    virtual void SetHardWareZero() = 0;
    virtual void SetDataZeroCh(uint8_t channel) = 0;
    virtual void SetHardWareZeroCh(uint8_t channel) = 0;
    virtual void DLL_End_Application() = 0;
    virtual void Long2String(int32_t value, uint8_t decimals, char* buffer, uint8_t length) = 0;
};

}  // namespace vexla::tester
