// Kestrow: the operator's 32-channel monitor. The driver's functions are
// imported at load time by name, so a missing Vexla.dll, or a Vexla.dll
// without one of them, stops the program in the loader before it runs.

#include <windows.h>

#include "host/imported_functions.h"
#include "main_unit_win32.h"
#include "monitor/model/monitor_exports.h"
#include "ui/win32/message_loop.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    vexla::host::BoundDriver driver(VEXLA_IMPORTED_FUNCTIONS(VEXLA_MONITOR_EXPORTS));
    vexla::monitor::TMainform form(driver);
    if (form.Handle() == nullptr) return 1;
    ShowWindow(form.Handle(), show);
    UpdateWindow(form.Handle());

    return vexla::ui::RunMessageLoop([&] { return form.Handle(); });
}
