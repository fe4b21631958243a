// Kestrow: the operator's 32-channel monitor. The driver's functions are
// imported at load time by name, so a missing Vexla.dll, or a Vexla.dll
// without one of them, stops the program in the loader before it runs.

#include <windows.h>

#include "main_unit_win32.h"
#include "model/monitor_driver.h"
#include "win32/message_loop.h"

namespace {

vexla::monitor::DriverExports ImportedExports() {
    vexla::monitor::DriverExports x;
    x.SetNetSegment = &SetNetSegment;
    x.GetReFlashRate32 = &GetReFlashRate32;
    x.GetNewData32Ch = &GetNewData32Ch;
    x.Long2String = &Long2String;
    x.SetDataZero = &SetDataZero;
    x.SetDataZeroCh = &SetDataZeroCh;
    x.SetHardWareZeroCh = &SetHardWareZeroCh;
    x.CtrlFirmWare = &CtrlFirmWare;
    x.ShowCtrlForm = &ShowCtrlForm;
    x.HideCtrlForm = &HideCtrlForm;
    x.DLL_End_Application = &DLL_End_Application;
    return x;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    vexla::monitor::ExportedDriver driver(ImportedExports());
    vexla::monitor::TMainform form(driver);
    if (form.Handle() == nullptr) return 1;
    ShowWindow(form.Handle(), show);
    UpdateWindow(form.Handle());

    return vexla::ui::RunMessageLoop([&] { return form.Handle(); });
}
