// Pellin: the driver's test program. It binds each of the driver's
// functions by name when it first calls it; a missing Vexla.dll or function
// is reported when that call comes, and the program ends.

#include <windows.h>

#include <string>

#include "base/win32/wide_text.h"
#include "host/lazy_driver.h"
#include "mainform_win32.h"
#include "ui/win32/message_loop.h"

namespace {

[[noreturn]] void ReportMissing(const std::string& what, const std::string& reason) {
    const std::string text = "找不到 " + what + "\n(" + reason + ")\n\n程序将退出。";
    MessageBoxW(nullptr, vexla::Widen(text).c_str(), L"Pellin", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    ExitProcess(2);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    vexla::host::LazyDriver driver(vexla::host::LibraryBesideProgram(), &ReportMissing);
    vexla::tester::Mainform form(driver);
    if (form.Handle() == nullptr) return 1;
    ShowWindow(form.Handle(), show);
    UpdateWindow(form.Handle());

    return vexla::ui::RunMessageLoop([&] { return form.Handle(); });
}
