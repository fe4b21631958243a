// The library on Windows: everything runs on the host's GUI thread, pumped by
// its message loop: the control window with its timer, and the serial
// component's notification window. Message boxes are real, modal boxes.

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "base/win32/wide_text.h"
#include "control_window_win32.h"
#include "driver_assembly.h"
#include "library_frame.h"
#include "trace_file.h"
#include "tray_icon_win32.h"

namespace vexla {

std::optional<std::filesystem::path> TraceFilePath() {
    const wchar_t* path = _wgetenv(L"VEXLA_TRACE");
    if (path == nullptr || *path == 0) return std::nullopt;
    return std::filesystem::path(path);
}

void TraceToDebugger(std::string_view line) {
    OutputDebugStringW((L"Vexla: " + Widen(line) + L"\n").c_str());
}

std::string PortDeviceName(int32_t portNumber) {
    // COM10 and above exist only in the device namespace.
    const std::string name = "COM" + std::to_string(portNumber);
    return portNumber >= 10 ? "\\\\.\\" + name : name;
}

namespace {

class Win32Frame final : public WindowHost, public Notifier {
  public:
    Win32Frame() : assembly_(*this, *this) {}

    Driver& Instance() { return assembly_.Instance; }
    std::recursive_mutex& Mutex() { return assembly_.Mutex; }

    // ---- WindowHost
    void CreateControlWindow() override { window_ = std::make_unique<TForm_Call>(assembly_.Panel); }
    void DestroyControlWindow() override { window_.reset(); }
    void SetTimerEnabled(bool enabled) override {
        if (window_) window_->SetTimerEnabled(enabled);
    }
    void PanelChanged() override {
        if (window_) window_->ShowPanel(assembly_.Panel.Model());
    }
    void QuitMessageLoop() override { PostQuitMessage(0); }

    // ---- Notifier
    void ShowMessage(std::string_view text) override {
        MessageBoxW(window_ ? window_->Handle() : nullptr, Widen(text).c_str(), L"Vexla",
                    MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
    }
    void Beep() override { MessageBeep(MB_OK); }
    void Trace(std::string_view line) override { TraceLine(line); }

  private:
    DriverAssembly assembly_;
    std::unique_ptr<TForm_Call> window_;
};

// Built on the first export call, on the host's thread (never under the
// loader lock). Not destroyed at unload: that runs under the loader lock,
// where the serial threads could not be joined; the host's final call
// DLL_End_Application has closed everything by then.
Win32Frame& Frame() {
    static Win32Frame* frame = new Win32Frame;
    return *frame;
}

}  // namespace

Driver& TheDriver() {
    return Frame().Instance();
}
std::recursive_mutex& DriverMutex() {
    return Frame().Mutex();
}
void AfterEndApplication() {}

}  // namespace vexla

// Load registers the tray icon's callback message; nothing else happens until
// the first connect (the icon's window is made with the first icon, on the
// host's thread, not here under the loader lock).
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) vexla::RegisterTrayCallbackMessage();
    return TRUE;
}
