#pragma once
// Mainform: the test program's window. It renders the tester model's 96
// boxes and forwards the buttons, the two options and its 50 ms timer.

#include <windows.h>

#include "tester/model/tester_model.h"
#include "ui/win32/child_controls.h"
#include "ui/win32/gdi.h"
#include "ui/win32/object_window.h"

namespace vexla::tester {

class Mainform {
  public:
    static constexpr wchar_t kClassName[] = L"Mainform";
    // The design size of the client area, at 96 dpi.
    static constexpr int kClientWidth = 880;
    static constexpr int kClientHeight = 526;

    explicit Mainform(host::DriverCalls& driver);
    ~Mainform();
    Mainform(const Mainform&) = delete;
    Mainform& operator=(const Mainform&) = delete;

    HWND Handle() const { return hwnd_; }

  private:
    friend LRESULT CALLBACK ui::ObjectWindowProc<Mainform>(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void FormLoad();
    void Timer1Timer();
    void Command(int id);
    void FormUnload();

    TesterModel model_;
    HWND hwnd_ = nullptr;
    ui::ChildControls controls_;
    ui::GdiFont font_;
    ui::GdiFont channelFont_;
    bool unloaded_ = false;
};

}  // namespace vexla::tester
