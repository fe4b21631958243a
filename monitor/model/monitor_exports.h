#pragma once
// What the monitor asks of the driver: the eleven exports it calls. Kestrow.exe
// imports exactly these at load time (its import table is checked against
// this list); the terminal edition binds them by name when it starts.

#include "host/driver_calls.h"

#define VEXLA_MONITOR_EXPORTS(X) \
    X(SetNetSegment)             \
    X(GetReFlashRate32)          \
    X(GetNewData32Ch)            \
    X(Long2String)               \
    X(SetDataZero)               \
    X(SetDataZeroCh)             \
    X(SetHardWareZeroCh)         \
    X(CtrlFirmWare)              \
    X(ShowCtrlForm)              \
    X(HideCtrlForm)              \
    X(DLL_End_Application)

namespace vexla::monitor {

inline constexpr host::Export kMonitorExports[] = {VEXLA_MONITOR_EXPORTS(VEXLA_EXPORT_ENTRY)};

}  // namespace vexla::monitor
