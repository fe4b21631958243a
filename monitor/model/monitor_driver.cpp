#include "model/monitor_driver.h"

namespace vexla::monitor {

const char* DriverExports::FirstMissing() const {
    if (SetNetSegment == nullptr) return "SetNetSegment";
    if (GetReFlashRate32 == nullptr) return "GetReFlashRate32";
    if (GetNewData32Ch == nullptr) return "GetNewData32Ch";
    if (Long2String == nullptr) return "Long2String";
    if (SetDataZero == nullptr) return "SetDataZero";
    if (SetDataZeroCh == nullptr) return "SetDataZeroCh";
    if (SetHardWareZeroCh == nullptr) return "SetHardWareZeroCh";
    if (CtrlFirmWare == nullptr) return "CtrlFirmWare";
    if (ShowCtrlForm == nullptr) return "ShowCtrlForm";
    if (HideCtrlForm == nullptr) return "HideCtrlForm";
    if (DLL_End_Application == nullptr) return "DLL_End_Application";
    return nullptr;
}

}  // namespace vexla::monitor
